#!/usr/bin/env python3
"""Draws the tray and window icons as .ico files (standard library only).

Usage: make_icons.py OUTPUT_DIR [--header FILE]

Writes icon113.ico (the window class icon) and icon114.ico, icon116.ico ... icon130.ico (the tray
pictures): a stop square, a pause sign, a struck-through loudspeaker and thirteen play-and-level
pictures whose bar is full in 118 and empty in 130; 113 is the full one. Every picture is violet
on a transparent background, and every file holds it in each size of SIZES, 32-bit with alpha, so
that the shell finds the size it asks for at any screen scaling.

Each picture is one drawing on a grid of 16 units. A 16-pixel frame samples it once per pixel, so
it keeps the crisp pixel drawing; larger frames snap the rectangles to whole pixels and sample the
slanted edges 4 x 4 times per pixel. all_icons() gives the 16-pixel frames (and 113 doubled to
32) as palette pictures for the other renderings. Change the drawing here and rebuild; the build
runs this script and compiles the result into the program's resources.

With --header it also writes the 16-pixel tray pictures as a C++ table of palette indices,
from which the program draws the icon a desktop's StatusNotifierItem host shows.
"""

import functools
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

GRID = 16  # units across a picture
LEVEL_STEPS = 12  # rows inside the level bar of the 16-pixel frame
# The small-icon sizes of 100 % to 300 % scaling: the tray asks for 16, 20, 24, 32, 40 or 48.
SIZES = (16, 20, 24, 32, 40, 48)


# --- shapes on the grid --------------------------------------------------------------------------

def rect(x0, y0, x1, y1):
    """Units x0 <= x < x1, y0 <= y < y1, snapped to whole pixels at every size."""
    return ("rect", x0, y0, x1, y1)


def pixels(x0, y0, x1, y1):
    """A rectangle in pixels of the frame being drawn."""
    return ("pixels", x0, y0, x1, y1)


def polygon(*points):
    """A convex polygon of unit points, sampled (its edges are slanted)."""
    return ("polygon",) + points


def snap(unit, size):
    return int(unit * size / GRID + 0.5)


def inside(points, x, y):
    """Whether (x, y) lies inside the convex polygon, whichever way round it runs."""
    sign = 0
    for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
        cross = (x1 - x0) * (y - y0) - (y1 - y0) * (x - x0)
        if cross != 0:
            if sign and (cross > 0) != (sign > 0):
                return False
            sign = cross
    return True


@functools.lru_cache(maxsize=None)
def coverage(shape, size):
    """The share of each pixel that the shape covers, rows of floats."""
    kind, *values = shape
    if kind in ("rect", "pixels"):
        if kind == "rect":
            values = [snap(v, size) for v in values]
        x0, y0, x1, y1 = values
        return tuple(tuple(1.0 if x0 <= x < x1 and y0 <= y < y1 else 0.0 for x in range(size))
                     for y in range(size))
    scale = size / GRID
    points = [(x * scale, y * scale) for x, y in values]
    samples = 1 if size == GRID else 4
    offsets = [(i + 0.5) / samples for i in range(samples)]
    rows = []
    for y in range(size):
        rows.append(tuple(
            sum(inside(points, x + dx, y + dy) for dy in offsets for dx in offsets) /
            samples ** 2 for x in range(size)))
    return tuple(rows)


# --- a frame being drawn -------------------------------------------------------------------------

class Canvas:
    """One frame: premultiplied colour and alpha per pixel, painted over in order."""

    def __init__(self, size):
        self.size = size
        self.colour = [[(0.0, 0.0, 0.0)] * size for _ in range(size)]
        self.alpha = [[0.0] * size for _ in range(size)]
        # The outline is a pixel wide at 16 and grows by whole pixels with the frame.
        self.line = max(1, size // GRID)

    def paint(self, index, *shapes):
        r, g, b = PALETTE[index]
        for shape in shapes:
            for y, row in enumerate(coverage(shape, self.size)):
                for x, share in enumerate(row):
                    if share <= 0:
                        continue
                    keep = 1 - share
                    cr, cg, cb = self.colour[y][x]
                    self.colour[y][x] = (r * share + cr * keep, g * share + cg * keep,
                                         b * share + cb * keep)
                    self.alpha[y][x] = share + self.alpha[y][x] * keep

    def outline(self):
        """Gives the outline colour to every drawn pixel that is partly covered (the smoothed
        edge) or within a line's width of one that is not wholly covered."""
        size, line = self.size, self.line
        near = [(dx, dy) for dy in range(-line, line + 1) for dx in range(-line, line + 1)
                if 0 < dx * dx + dy * dy <= line * line]

        def background(x, y):
            return not (0 <= x < size and 0 <= y < size) or self.alpha[y][x] < 1

        edge = [(x, y) for y in range(size) for x in range(size)
                if self.alpha[y][x] > 0 and (background(x, y) or
                                             any(background(x + dx, y + dy) for dx, dy in near))]
        r, g, b = PALETTE[OUTLINE]
        for x, y in edge:
            a = self.alpha[y][x]
            self.colour[y][x] = (r * a, g * a, b * a)

    def rgba(self):
        """Rows of (r, g, b, a) bytes, not premultiplied."""
        rows = []
        for colours, alphas in zip(self.colour, self.alpha):
            row = []
            for (r, g, b), a in zip(colours, alphas):
                if a <= 0:
                    row.append((0, 0, 0, 0))
                else:
                    row.append(tuple(min(255, int(c / a + 0.5)) for c in (r, g, b)) +
                               (int(a * 255 + 0.5),))
            rows.append(row)
        return rows


# --- the drawings --------------------------------------------------------------------------------

def stop_square(canvas):
    canvas.paint(FILL, rect(3, 3, 13, 13))
    canvas.outline()
    canvas.paint(LIGHT, rect(4, 4, 7, 5), rect(4, 5, 5, 7))


def pause_sign(canvas):
    canvas.paint(FILL, rect(3, 2, 7, 14), rect(9, 2, 13, 14))
    canvas.outline()
    canvas.paint(LIGHT, rect(4, 3, 5, 6), rect(10, 3, 11, 6))


def muted_speaker(canvas):
    canvas.paint(FILL, rect(1, 6, 6, 10), polygon((5, 5.5), (10, 0.5), (10, 15.5), (5, 10.5)))
    canvas.outline()
    # The stroke runs across the whole picture, corner to corner.
    canvas.paint(OUTLINE, polygon((13.5, 1), (15.5, 1), (1.5, 15), (-0.5, 15)))


def level_picture(filled_rows):
    def draw(canvas):
        canvas.paint(FILL, polygon((1, 3), (8.5, 8), (1, 13)))
        bar = rect(10, 1, 15, 15)
        canvas.paint(EMPTY, bar)
        canvas.outline()
        if filled_rows == 0:
            return
        # The filled part grows from the bottom of the bar's inside, in whole pixels.
        size, line = canvas.size, canvas.line
        x0, y0, x1, y1 = (snap(v, size) + inset for v, inset in zip(bar[1:], (line, line,
                                                                              -line, -line)))
        top = y1 - int((y1 - y0) * filled_rows / LEVEL_STEPS + 0.5)
        canvas.paint(FILL, pixels(x0, top, x1, y1))
        canvas.paint(LIGHT, pixels(x0, top, x0 + max(1, (x1 - x0) // 3), y1))
    return draw


def drawings():
    result = {113: level_picture(LEVEL_STEPS), 114: stop_square, 116: pause_sign,
              117: muted_speaker}
    for step in range(13):
        result[118 + step] = level_picture(LEVEL_STEPS - step)
    return result


def render(drawing, size):
    canvas = Canvas(size)
    drawing(canvas)
    return canvas.rgba()


# --- the palette pictures of the 16-pixel frames -------------------------------------------------

def palette_picture(drawing):
    """The 16-pixel frame as palette indices; it has no partly covered pixels."""
    colours = {colour + (255,): index for index, colour in enumerate(PALETTE)}
    return [[TRANSPARENT if pixel[3] == 0 else colours[pixel] for pixel in row]
            for row in render(drawing, GRID)]


def doubled(picture):
    result = []
    for row in picture:
        wide = [pixel for pixel in row for _ in range(2)]
        result.append(wide)
        result.append(wide[:])
    return result


def all_icons():
    """{icon id: rows of palette indices}: the 16-pixel frames, 113 doubled to 32 x 32."""
    icons = {icon_id: palette_picture(drawing) for icon_id, drawing in drawings().items()}
    icons[113] = doubled(icons[113])
    return icons


# --- the .ico file -------------------------------------------------------------------------------

def dib_bytes(rows):
    """One 32-bit image of an .ico: the header, the BGRA pixels and the AND mask, bottom-up."""
    size = len(rows)
    and_stride = ((size + 31) // 32) * 4
    colour_rows = []
    mask_rows = []
    for row in reversed(rows):
        colour_rows.append(b"".join(struct.pack("<BBBB", b, g, r, a) for r, g, b, a in row))
        mask = bytearray(and_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                mask[x // 8] |= 0x80 >> (x % 8)
        mask_rows.append(bytes(mask))
    data = b"".join(colour_rows) + b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(data), 0, 0, 0, 0)
    return header + data


def ico_bytes(frames):
    """An .ico file of square RGBA frames."""
    images = [dib_bytes(rows) for rows in frames]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for rows, image in zip(frames, images):
        size = len(rows)
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image),
                                 offset)
        offset += len(image)
    return directory + b"".join(images)


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
    for icon_id, drawing in drawings().items():
        frames = [render(drawing, size) for size in SIZES]
        with open(os.path.join(out, "icon%d.ico" % icon_id), "wb") as f:
            f.write(ico_bytes(frames))
    if header:
        os.makedirs(os.path.dirname(os.path.abspath(header)), exist_ok=True)
        with open(header, "w") as f:
            f.write(header_text(all_icons()))


if __name__ == "__main__":
    main()
