#!/usr/bin/env python3
"""Draws the installer's icon from the pixel map below and writes it as a
.ico file: one 32x32 image in 16 colours (the platform's standard palette),
744 bytes of image data (40-byte bitmap header, 64-byte palette, 512 bytes
of 4-bit colour rows and a 128-byte AND mask, both bottom-up).

    python3 res/make_icon.py res/stub_icon.ico

Redraw by editing PIXELS; every character is one pixel, its colour is
looked up in COLOURS. '.' is transparent.
"""
import struct
import sys

# Standard 16-colour palette in index order, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00),  # 0 black
    (0x80, 0x00, 0x00),  # 1 dark red
    (0x00, 0x80, 0x00),  # 2 dark green
    (0x80, 0x80, 0x00),  # 3 dark yellow
    (0x00, 0x00, 0x80),  # 4 dark blue
    (0x80, 0x00, 0x80),  # 5 dark magenta
    (0x00, 0x80, 0x80),  # 6 dark cyan
    (0xC0, 0xC0, 0xC0),  # 7 light grey
    (0x80, 0x80, 0x80),  # 8 dark grey
    (0xFF, 0x00, 0x00),  # 9 red
    (0x00, 0xFF, 0x00),  # 10 green
    (0xFF, 0xFF, 0x00),  # 11 yellow
    (0x00, 0x00, 0xFF),  # 12 blue
    (0xFF, 0x00, 0xFF),  # 13 magenta
    (0x00, 0xFF, 0xFF),  # 14 cyan
    (0xFF, 0xFF, 0xFF),  # 15 white
]

COLOURS = {
    'k': 0, 'r': 1, 'g': 2, 'y': 3, 'b': 4, 'm': 5, 'c': 6, 'l': 7,
    'd': 8, 'R': 9, 'G': 10, 'Y': 11, 'B': 12, 'M': 13, 'C': 14, 'W': 15,
}

# A diskette at the upper left; at the lower right a computer: a monitor
# with a red and white band across its screen, standing on a desktop case.
PIXELS = [
    "kkkkkkkkkkkkkkkk................",
    "kbbbkllllllldlkbk...............",
    "kbbbklllllllkdlkbk..............",
    "kbbbklllllllkdlkbbk.............",
    "kbbbklllllllkdlkbbbk............",
    "kbbbklllllllldlkbbbk............",
    "kbbbbkkkkkkkkkkbbbbk............",
    "kbbbbbbbbbbbbbbbbbbk............",
    "kbbbbbbbbbbbbbbbbbbk............",
    "kbbWWWWWWWWWWWWWWbbk............",
    "kbbWWWWWWWWWWWWWWbbk............",
    "kbbWWkkkkkkkkkkWWbbk............",
    "kbbWWWWWWWWWWWWWWbbk............",
    "kbbWWkkkkkkkkWWWWbbk............",
    "kkbWWWWWWWWWWWWWWbbk............",
    ".kkkkkkkkkkkkkkkkkkk............",
    "...........kkkkkkkkkkkkkkkkkkkk.",
    "...........kllllllllllllllllllkd",
    "...........klkkkkkkkkkkkkkkkklkd",
    "...........klkBBBBBBBBBBBBBBklkd",
    "...........klkRRRRRRRRRRRRRRklkd",
    "...........klkWWWWWWWWWWWWWWklkd",
    "...........klkRRRRRRRRRRRRRRklkd",
    "...........klkBBBBBBBBBBBBBBklkd",
    "...........klkkkkkkkkkkkkkkkklkd",
    "...........kllllllllllllllGlllkd",
    "...........kkkkkkkkkkkkkkkkkkkkd",
    "..........kkkkkkkkkkkkkkkkkkkkkk",
    "..........kllllllllllllllllllllk",
    "..........kllkkkkkkkkllllllGllYk",
    "..........kllllllllllllllllllllk",
    "..........kkkkkkkkkkkkkkkkkkkkkk",
]

WIDTH = 32
HEIGHT = 32


def build_image():
    """Returns the 744 bytes of the icon image (header, palette, XOR, AND)."""
    if len(PIXELS) != HEIGHT or any(len(row) != WIDTH for row in PIXELS):
        raise ValueError("the pixel map must be 32 rows of 32 characters")
    header = struct.pack("<IiiHHIIiiII", 40, WIDTH, 2 * HEIGHT, 1, 4, 0, 512,
                         0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour_rows = []
    mask_rows = []
    # Bitmaps are stored bottom-up.
    for row in reversed(PIXELS):
        nibbles = []
        mask_bits = 0
        for x, ch in enumerate(row):
            if ch == '.':
                nibbles.append(0)
                mask_bits |= 1 << (31 - x)
            else:
                nibbles.append(COLOURS[ch])
        colour_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1]
                                 for i in range(0, WIDTH, 2)))
        mask_rows.append(struct.pack(">I", mask_bits))
    image = header + palette + b"".join(colour_rows) + b"".join(mask_rows)
    assert len(image) == 744
    return image


def build_ico():
    image = build_image()
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", WIDTH, HEIGHT, 16, 0, 1, 4, len(image),
                        6 + 16)
    return directory + entry + image


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_icon.py OUTPUT.ico\n")
        return 2
    with open(argv[1], "wb") as out:
        out.write(build_ico())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
