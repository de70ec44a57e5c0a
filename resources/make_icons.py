#!/usr/bin/env python3
"""Draws the tray and window icons as 256-colour .ico files (standard library only).

Usage: make_icons.py OUTPUT_DIR [--header FILE]

Writes icon113.ico (32 x 32, the window class icon) and icon114.ico, icon116.ico ...
icon130.ico (16 x 16, the tray pictures): a stop square, a pause sign, a struck-through
loudspeaker and thirteen play-and-level pictures whose bar is full in 118 and empty in 130.
Every picture is violet on a transparent background. Change the drawing here and rebuild; the
build runs this script and compiles the result into the program's resources. With --header it also
writes the tray pictures as a C++ table of palette indices, from which the program draws the
icon a desktop's StatusNotifierItem host shows, so both trays show the same pixels.
"""

import os
import struct
import sys

TRANSPARENT = 0
OUTLINE = 1  # dark violet
FILL = 2  # violet
LIGHT = 3  # light violet, highlights
EMPTY = 4  # pale violet, the unfilled part of the level bar

PALETTE = [
    (0, 0, 0),
    (0x3C, 0x13, 0x61),
    (0x7B, 0x2F, 0xBE),
    (0xB5, 0x7E, 0xDC),
    (0xE6, 0xD5, 0xF5),
]

LEVEL_STEPS = 12  # rows inside the level bar


def blank(size):
    return [[TRANSPARENT] * size for _ in range(size)]


def outline(picture):
    """Gives every drawn pixel that touches the background the outline colour."""
    size = len(picture)
    result = [row[:] for row in picture]
    for y in range(size):
        for x in range(size):
            if picture[y][x] == TRANSPARENT:
                continue
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                nx, ny = x + dx, y + dy
                if not (0 <= nx < size and 0 <= ny < size) or picture[ny][nx] == TRANSPARENT:
                    result[y][x] = OUTLINE
                    break
    return result


def rectangle(picture, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            picture[y][x] = colour


def play_triangle(picture):
    for y in range(3, 13):
        depth = min(y - 3, 12 - y)
        for x in range(1, 2 + int(depth * 1.5)):
            picture[y][x] = FILL


def stop_square():
    picture = blank(16)
    rectangle(picture, 3, 3, 12, 12, FILL)
    picture = outline(picture)
    rectangle(picture, 4, 4, 6, 4, LIGHT)
    rectangle(picture, 4, 5, 4, 6, LIGHT)
    return picture


def pause_sign():
    picture = blank(16)
    rectangle(picture, 3, 2, 6, 13, FILL)
    rectangle(picture, 9, 2, 12, 13, FILL)
    picture = outline(picture)
    rectangle(picture, 4, 3, 4, 5, LIGHT)
    rectangle(picture, 10, 3, 10, 5, LIGHT)
    return picture


def muted_speaker():
    picture = blank(16)
    rectangle(picture, 1, 6, 4, 9, FILL)
    for x in range(5, 10):
        spread = x - 4
        rectangle(picture, x, 6 - spread, x, 9 + spread, FILL)
    picture = outline(picture)
    # The stroke runs across the whole picture, corner to corner.
    for i in range(1, 15):
        picture[i][15 - i] = OUTLINE
        picture[i][14 - i] = OUTLINE
    return picture


def level_picture(filled_rows):
    picture = blank(16)
    play_triangle(picture)
    rectangle(picture, 10, 1, 14, 14, EMPTY)
    picture = outline(picture)
    top = 13 - filled_rows + 1
    if filled_rows > 0:
        rectangle(picture, 11, top, 13, 13, FILL)
        rectangle(picture, 11, top, 11, 13, LIGHT)
    return picture


def doubled(picture):
    result = []
    for row in picture:
        wide = [pixel for pixel in row for _ in range(2)]
        result.append(wide)
        result.append(wide[:])
    return result


def ico_bytes(picture):
    size = len(picture)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    palette += b"\0" * (4 * (256 - len(PALETTE)))
    xor_stride = (size + 3) // 4 * 4
    and_stride = ((size + 31) // 32) * 4
    xor_rows = []
    and_rows = []
    for row in reversed(picture):  # bitmaps are stored bottom-up
        xor_rows.append(bytes(row) + b"\0" * (xor_stride - size))
        mask = bytearray(and_stride)
        for x, pixel in enumerate(row):
            if pixel == TRANSPARENT:
                mask[x // 8] |= 0x80 >> (x % 8)
        and_rows.append(bytes(mask))
    pixels = b"".join(xor_rows) + b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, len(pixels), 0, 0, 256, 0)
    image = header + palette + pixels
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 8, len(image), 6 + 16)
    return directory + entry + image


def all_icons():
    icons = {
        113: doubled(level_picture(LEVEL_STEPS)),
        114: stop_square(),
        116: pause_sign(),
        117: muted_speaker(),
    }
    for step in range(13):
        icons[118 + step] = level_picture(LEVEL_STEPS - step)
    return icons


def header_text(icons):
    """The tray pictures (16 x 16) and the palette as 0xRRGGBB; index 0 is transparent."""
    lines = [
        "// Made by resources/make_icons.py: the tray pictures of the .ico files as palette indices.",
        "#pragma once",
        "",
        "#include <cstdint>",
        "",
        "constexpr uint32_t kTrayPalette[] = {%s};" % ", ".join(
            "0x%02X%02X%02X" % colour for colour in PALETTE),
        "",
        "struct TrayPictureRecord {",
        "  int iconId;",
        "  uint8_t pixels[16 * 16];",
        "};",
        "",
        "constexpr TrayPictureRecord kTrayPictures[] = {",
    ]
    for icon_id, picture in sorted(icons.items()):
        if len(picture) != 16:
            continue
        pixels = ",".join(str(pixel) for row in picture for pixel in row)
        lines.append("    {%d, {%s}}," % (icon_id, pixels))
    lines.append("};")
    return "\n".join(lines) + "\n"


def main():
    args = sys.argv[1:]
    header = None
    if len(args) == 3 and args[1] == "--header":
        header = args[2]
    elif len(args) != 1:
        sys.exit("usage: make_icons.py OUTPUT_DIR [--header FILE]")
    out = args[0]
    os.makedirs(out, exist_ok=True)
    icons = all_icons()
    for icon_id, picture in icons.items():
        with open(os.path.join(out, "icon%d.ico" % icon_id), "wb") as f:
            f.write(ico_bytes(picture))
    if header:
        os.makedirs(os.path.dirname(os.path.abspath(header)), exist_ok=True)
        with open(header, "w") as f:
            f.write(header_text(icons))


if __name__ == "__main__":
    main()
