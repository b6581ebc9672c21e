"""Writes the PNGs that bench/pack_memory.sh gives orvane-pack: pictures whose headers ask for far
more than their tiles need, each a small file. Streamed, so that the script itself holds no
picture: python3 bench/pack_pictures.py KIND OUT.png, KIND one of
  interlaced   16384 x 16384, Adam7, RGBA: transparent but for a dot in each cell of the first
               row of cells (512 tiles)
  wide         1 048 544 x 32, RGBA: one row of 32 767 cells, only the first drawn
  sparse       608 x 55 200, RGBA: 32 767 cells of the largest tileset's sheet, only the first
               drawn
  rows FROM    FROM (an RGBA PNG, orvane-export's) written again without its band table, so
               that orvane-pack reads it row by row as any other program's PNG
"""
import struct
import sys
import zlib

PASSES = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
          (0, 1, 1, 2)]


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(
        ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def write(path, width, height, interlaced, scanlines):
    """scanlines: the filtered scanlines in the file's order, each with its filter byte."""
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, interlaced)))
        deflate = zlib.compressobj(9)
        pending = b""
        for line in scanlines:
            pending += deflate.compress(line)
            if len(pending) >= 1 << 20:
                out.write(chunk(b"IDAT", pending))
                pending = b""
        out.write(chunk(b"IDAT", pending + deflate.flush()))
        out.write(chunk(b"IEND", b""))


def dotted(width, height):
    """Adam7 scanlines of a transparent picture with an opaque pixel at the corner of each cell of
    its first row of cells."""
    dot = b"\xC0\x40\x20\xFF"
    for x0, y0, dx, dy in PASSES:
        count = (width - x0 + dx - 1) // dx
        for y in range(y0, height, dy):
            if y == 0 and x0 == 0:
                # Every dx-th pixel from 0: the cell's corners are those at multiples of 32.
                row = bytearray(4 * count)
                for i in range(0, count, 32 // dx):
                    row[4 * i:4 * i + 4] = dot
                yield b"\0" + bytes(row)
            else:
                yield b"\0" + bytes(4 * count)


def first_cell_drawn(width, height):
    for y in range(height):
        row = bytearray(4 * width)
        if y < 32:
            row[0:128] = b"\x10\x80\xF0\xFF" * 32
        yield b"\0" + bytes(row)


def rows_of(path):
    """The scanlines of an RGBA PNG that is not interlaced, as they are stored."""
    data = open(path, "rb").read()
    at = 8
    stream = zlib.decompressobj()
    width = height = 0
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height = struct.unpack(">II", body[:8])
        elif kind == b"IDAT":
            yield width, height, stream.decompress(body)
        at += 12 + length


def main():
    kind, out = sys.argv[1], sys.argv[-1]
    if kind == "interlaced":
        write(out, 16384, 16384, 1, dotted(16384, 16384))
    elif kind == "wide":
        write(out, 1048544, 32, 0, first_cell_drawn(1048544, 32))
    elif kind == "sparse":
        write(out, 608, 55200, 0, first_cell_drawn(608, 55200))
    elif kind == "rows":
        pieces = rows_of(sys.argv[2])
        width, height, first = next(pieces)
        write(out, width, height, 0, [first] + [piece for _, _, piece in pieces])
    else:
        sys.exit(__doc__)


main()
