#!/usr/bin/python3
"""What a user without Orvane would write for PNGs, with numpy and Pillow's defaults:

    png_numpy.py export TILESET OUTPUT.png   the mosaic, 19 tiles to a row, key colour and empty
                                             cells transparent, as orvane-export writes it
    png_numpy.py pack PICTURE OUTPUT.tst     the 32 x 32 cells of a PNG back to a tileset, alpha
                                             below 128 as the key colour, as orvane-pack does

Each prints, on standard output, the seconds its library call took: Image.save for export (the
picture already made), Image.open with the decode for pack. Debian's python3-numpy and python3-pil
(scripts/setup bench).
"""
import sys
import time

import numpy as np
from PIL import Image

from export_numpy import KEY, PER_ROW, TILE, tiles_of


def mosaic(path):
    tiles, rows, width = tiles_of(path)
    count = len(tiles)
    cells = np.zeros((rows * PER_ROW, TILE, TILE, 4), dtype=np.uint8)
    cells[:count, :, :, :3] = tiles
    cells[:count, :, :, 3] = np.where((tiles == KEY).all(axis=-1), 0, 255)
    cells[:count][cells[:count, :, :, 3] == 0] = 0
    picture = cells.reshape(rows, PER_ROW, TILE, TILE, 4).transpose(0, 2, 1, 3, 4)
    return np.ascontiguousarray(picture.reshape(rows * TILE, PER_ROW * TILE, 4)[:, :width])


def export(tileset, output):
    image = Image.fromarray(mosaic(tileset), "RGBA")
    start = time.perf_counter()
    image.save(output)
    return time.perf_counter() - start


def pack(picture, output):
    start = time.perf_counter()
    image = Image.open(picture)
    image.load()
    seconds = time.perf_counter() - start
    if image.mode != "RGBA":
        image = image.convert("RGBA")
    pixels = np.asarray(image)
    across, down = pixels.shape[1] // TILE, pixels.shape[0] // TILE
    # [y, x, rgba] -> [cell row, cell, x, y, rgba]: the cells in reading order, each column by
    # column.
    cells = pixels.reshape(down, TILE, across, TILE, 4).transpose(0, 2, 3, 1, 4)
    tiles = np.empty(cells.shape[:-1] + (3,), dtype=np.uint8)
    tiles[...] = cells[..., :3]
    tiles[cells[..., 3] < 128] = KEY
    count = int(image.text.get("Orvane tiles", down * across))
    header = np.array([0, 0, count & 0xFF, count >> 8, 0, 0], dtype=np.uint8)
    with open(output, "wb") as out:
        header.tofile(out)
        tiles.reshape(down * across, -1)[:count].tofile(out)
    return seconds


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("export", "pack"):
        sys.exit("usage: png_numpy.py export TILESET OUTPUT.png | pack PICTURE OUTPUT.tst")
    seconds = (export if sys.argv[1] == "export" else pack)(sys.argv[2], sys.argv[3])
    print("%.4f" % seconds)


if __name__ == "__main__":
    main()
