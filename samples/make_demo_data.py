#!/usr/bin/env python3
"""Writes the sample saver's demo data into a folder.

  sea.dat       the data file: a 24-bit BMP picture (a fish in the sea),
                which the saver draws; it compresses well
  caption.txt   numbered file: the caption line the saver shows (Windows-1252)
  plankton.bin  numbered file: seeded pseudo-random bytes that do not
                compress, so an installer holds stored and compressed entries

The same folder always gets the same bytes.
"""
import math
import random
import struct
import sys
from pathlib import Path

WIDTH, HEIGHT = 192, 128
CAPTION = "Willkommen in der Unterwasserwelt von Veltrane \u2013 Gr\u00fc\u00dfe vom Riff!"


def _pixel(x, y):
    """The picture's colour at (x, y) from the top-left, as (r, g, b)."""
    # Water: a gradient from light at the top to deep blue at the bottom,
    # with gentle light bands.
    depth = y / (HEIGHT - 1)
    wave = 0.5 + 0.5 * math.sin(x / 9.0 + 3.0 * math.sin(y / 17.0))
    r = int(20 + 30 * (1 - depth))
    g = int(110 + 80 * (1 - depth) + 12 * wave)
    b = int(170 + 70 * (1 - depth) + 10 * wave)
    # The fish: an ellipse body, a triangle tail, an eye and stripes.
    cx, cy = 104, 62
    dx, dy = (x - cx) / 46.0, (y - cy) / 26.0
    if dx * dx + dy * dy <= 1.0:
        stripe = (x // 9) % 2 == 0 and abs(dy) < 0.9
        r, g, b = (250, 250, 250) if stripe and x < cx + 20 else (250, 140, 30)
        if (x - (cx + 26)) ** 2 + (y - (cy - 6)) ** 2 <= 16:
            r, g, b = (20, 20, 20)
    tail_x = cx - 46 - x
    if 0 <= tail_x <= 30 and abs(y - cy) <= tail_x * 0.8:
        r, g, b = (240, 120, 20)
    # Sand at the bottom.
    if y > HEIGHT - 14 + 3 * math.sin(x / 11.0):
        r, g, b = (220, 200, 140)
    return r, g, b


def picture_bmp():
    """The picture as the bytes of a bottom-up 24-bit BMP file."""
    row_bytes = (WIDTH * 3 + 3) & ~3
    rows = bytearray()
    for y in range(HEIGHT - 1, -1, -1):
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = _pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_bytes - len(row))
        rows += row
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    return header + info + bytes(rows)


def plankton(size=12000, seed=1701):
    rng = random.Random(seed)
    return bytes(rng.getrandbits(8) for _ in range(size))


def write_demo_data(folder):
    """Writes the three files into `folder`; returns their paths in
    installer order (data file first)."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    files = {
        "sea.dat": picture_bmp(),
        "caption.txt": (CAPTION + "\r\n").encode("cp1252"),
        "plankton.bin": plankton(),
    }
    paths = []
    for name, data in files.items():
        path = folder / name
        path.write_bytes(data)
        paths.append(path)
    return paths


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_demo_data.py FOLDER")
    for path in write_demo_data(sys.argv[1]):
        print(path)
