#!/usr/bin/python3
"""What a user without orvane-export would write: the tileset decoded with numpy, its mosaic saved
with Pillow at quality 90 without chroma subsampling, as orvane-export saves it.

    export_numpy.py TILESET OUTPUT.jpg

Debian's python3-numpy and python3-pil (scripts/setup bench).
"""
import sys

import numpy as np
from PIL import Image

TILE = 32
PER_ROW = 19
KEY = np.array([0, 1, 2], dtype=np.uint8)
BACKGROUND = 240


def tiles_of(path):
    """The tiles of a tileset as [tile, y, x, rgb], their mosaic's rows of tiles and its width."""
    data = np.fromfile(path, dtype=np.uint8)
    count = max(int(np.frombuffer(data[2:4].tobytes(), dtype="<i2")[0]), 0)
    rows = (count + PER_ROW - 1) // PER_ROW
    width = TILE * (PER_ROW if rows > 1 else count)
    # Tiles are stored column by column: [tile, x, y, rgb] -> [tile, y, x, rgb].
    tiles = data[6:6 + count * TILE * TILE * 3].reshape(count, TILE, TILE, 3).transpose(0, 2, 1, 3)
    return tiles, rows, width


def mosaic(path):
    tiles, rows, width = tiles_of(path)
    count = len(tiles)
    cells = np.full((rows * PER_ROW, TILE, TILE, 3), BACKGROUND, dtype=np.uint8)
    cells[:count] = tiles
    cells[:count][(tiles == KEY).all(axis=-1)] = BACKGROUND
    picture = cells.reshape(rows, PER_ROW, TILE, TILE, 3).transpose(0, 2, 1, 3, 4)
    return picture.reshape(rows * TILE, PER_ROW * TILE, 3)[:, :width]


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: export_numpy.py TILESET OUTPUT.jpg")
    Image.fromarray(np.ascontiguousarray(mosaic(sys.argv[1]))).save(
        sys.argv[2], quality=90, subsampling=0)


if __name__ == "__main__":
    main()
