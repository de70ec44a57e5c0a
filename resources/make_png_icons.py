#!/usr/bin/env python3
"""Renders the program's icon as PNG files for a Linux desktop's hicolor icon theme (standard
library only).

Usage: make_png_icons.py OUTPUT_DIR

Writes OUTPUT_DIR/SIZExSIZE/apps/tunlark.png for the sizes below: the 16 x 16 tray picture of
full-volume playing and the 32 x 32 window icon, both drawn by make_icons.py, enlarged by whole
factors so that the pixel drawing stays sharp.
"""

import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_icons  # noqa: E402

# size: (icon id, factor)
SIZES = {16: (118, 1), 32: (113, 1), 48: (118, 3), 64: (113, 2), 128: (113, 4), 256: (113, 8)}


def enlarged(picture, factor):
    rows = []
    for row in picture:
        wide = [pixel for pixel in row for _ in range(factor)]
        rows.extend(wide[:] for _ in range(factor))
    return rows


def png_bytes(picture):
    """An 8-bit RGBA PNG; the palette's first colour is transparent."""
    size = len(picture)
    raw = bytearray()
    for row in picture:
        raw.append(0)  # no filter
        for pixel in row:
            r, g, b = make_icons.PALETTE[pixel]
            raw += bytes((r, g, b, 0 if pixel == make_icons.TRANSPARENT else 255))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_png_icons.py OUTPUT_DIR")
    icons = make_icons.all_icons()
    for size, (icon_id, factor) in SIZES.items():
        picture = enlarged(icons[icon_id], factor)
        assert len(picture) == size
        folder = os.path.join(sys.argv[1], "%dx%d" % (size, size), "apps")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "tunlark.png"), "wb") as f:
            f.write(png_bytes(picture))


if __name__ == "__main__":
    main()
