#!/usr/bin/env python3
"""Draws the editor's application icon: a screen of 3 x 3 coloured tiles with the walk marker in the
middle and an exit arrow on the tile to its right.

    data/icons/hicolor/<N>x<N>/apps/tavrin-editor.png    N = 16, 24, 32, 48, 64, 128, 256
    data/icons/hicolor/scalable/apps/tavrin-editor.svg   the same drawing as SVG

Standard library only: the PNG files are written with zlib and struct. Every size is drawn from the same
shapes (given on a 256 x 256 canvas), each pixel the average of a grid of samples, so edges are smooth at
every size. The output is the same on every run. Run from anywhere: paths are taken relative to the
repository root.

    python3 scripts/make_icon.py
"""

import os
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ICONS_DIR = os.path.join(ROOT, "data", "icons", "hicolor")
NAME = "tavrin-editor"

SIZES = (16, 24, 32, 48, 64, 128, 256)
CANVAS = 256  # the shapes below are given in these units

# --------------------------------------------------------------------------------------------------------
# The drawing
# --------------------------------------------------------------------------------------------------------

FRAME = (43, 52, 64)
GRASS = (86, 176, 72)
FOREST = (46, 122, 58)
WATER = (58, 128, 214)
WAVE = (140, 194, 245)
SAND = (232, 200, 118)
EARTH = (150, 102, 62)
ARROW = (250, 250, 250)
MARKER_RIM = (28, 28, 32)
MARKER = (222, 44, 40)
MARKER_LIGHT = (255, 160, 150)

TILE = 60
GAP = 10
GRID_LEFT = 28  # 3 tiles and 2 gaps fill 28..228, centred on the canvas

# Back colours of the nine tiles, top row first.
TILE_COLOURS = (
    (GRASS, FOREST, WATER),
    (SAND, GRASS, FOREST),
    (EARTH, SAND, WATER),
)


def tile_box(column, row):
    left = GRID_LEFT + column * (TILE + GAP)
    top = GRID_LEFT + row * (TILE + GAP)
    return left, top, left + TILE, top + TILE


def shapes():
    """The icon as a list of shapes, bottom first. Each is (kind, geometry, colour):
    ("rect", (x0, y0, x1, y1, radius)), ("circle", (cx, cy, r)) or ("polygon", ((x, y), ...))."""
    result = [("rect", (8, 8, 248, 248, 36), FRAME)]
    for row, colours in enumerate(TILE_COLOURS):
        for column, colour in enumerate(colours):
            left, top, right, bottom = tile_box(column, row)
            result.append(("rect", (left, top, right, bottom, 8), colour))
            if colour == WATER:
                for wave_top in (top + 18, top + 36):
                    result.append(("rect", (left + 12, wave_top, right - 12, wave_top + 6, 3), WAVE))

    # The exit arrow on the tile right of the centre: the way out into the next screen.
    left, top, right, bottom = tile_box(2, 1)
    middle = (top + bottom) / 2
    result.append(("polygon", ((left + 12, middle - 7), (left + 30, middle - 7), (left + 30, middle - 18),
                               (right - 8, middle), (left + 30, middle + 18), (left + 30, middle + 7),
                               (left + 12, middle + 7)), ARROW))

    # The walk marker on the centre tile.
    left, top, right, bottom = tile_box(1, 1)
    cx, cy = (left + right) / 2, (top + bottom) / 2
    result.append(("circle", (cx, cy, 22), MARKER_RIM))
    result.append(("circle", (cx, cy, 17), MARKER))
    result.append(("circle", (cx - 6, cy - 6, 5), MARKER_LIGHT))
    return result


# --------------------------------------------------------------------------------------------------------
# Rasterising
# --------------------------------------------------------------------------------------------------------

def bounds(kind, geometry):
    if kind == "rect":
        return geometry[:4]
    if kind == "circle":
        cx, cy, r = geometry
        return cx - r, cy - r, cx + r, cy + r
    xs = [x for x, _ in geometry]
    ys = [y for _, y in geometry]
    return min(xs), min(ys), max(xs), max(ys)


def contains(kind, geometry, x, y):
    if kind == "rect":
        x0, y0, x1, y1, r = geometry
        # Distance from the inner rectangle whose corners are the centres of the rounded corners.
        dx = max(x0 + r - x, 0, x - (x1 - r))
        dy = max(y0 + r - y, 0, y - (y1 - r))
        return dx * dx + dy * dy <= r * r
    if kind == "circle":
        cx, cy, r = geometry
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    inside = False
    points = geometry
    for i, (xa, ya) in enumerate(points):
        xb, yb = points[i - 1]
        if (ya > y) != (yb > y) and x < xa + (y - ya) * (xb - xa) / (yb - ya):
            inside = not inside
    return inside


def render(size):
    """Returns size rows of size (r, g, b, a) pixels, not premultiplied."""
    samples = 8 if size <= 32 else 4  # per pixel and axis
    scale = CANVAS / (size * samples)
    top_first = [(kind, geometry, colour, bounds(kind, geometry))
                 for kind, geometry, colour in reversed(shapes())]
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            red = green = blue = covered = 0
            for sy in range(samples):
                y = ((py * samples + sy) + 0.5) * scale
                for sx in range(samples):
                    x = ((px * samples + sx) + 0.5) * scale
                    for kind, geometry, colour, (x0, y0, x1, y1) in top_first:
                        if x0 <= x <= x1 and y0 <= y <= y1 and contains(kind, geometry, x, y):
                            red += colour[0]
                            green += colour[1]
                            blue += colour[2]
                            covered += 1
                            break
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                alpha = round(255 * covered / (samples * samples))
                row.append((round(red / covered), round(green / covered), round(blue / covered), alpha))
        pixels.append(row)
    return pixels


# --------------------------------------------------------------------------------------------------------
# PNG and SVG writing
# --------------------------------------------------------------------------------------------------------

def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png_bytes(pixels):
    """pixels: list of rows, top row first, each a list of (r, g, b, a). Returns an 8-bit RGBA PNG."""
    height = len(pixels)
    width = len(pixels[0])
    raw = bytearray()
    for row in pixels:
        assert len(row) == width
        raw.append(0)  # filter type None
        for pixel in row:
            raw += bytes(pixel)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + png_chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + png_chunk(b"IEND", b""))


def svg_text():
    def number(value):
        return f"{value:g}"

    def fill(colour):
        return "#%02x%02x%02x" % colour

    lines = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{CANVAS}" height="{CANVAS}" '
        f'viewBox="0 0 {CANVAS} {CANVAS}">',
    ]
    for kind, geometry, colour in shapes():
        if kind == "rect":
            x0, y0, x1, y1, r = geometry
            lines.append(f'  <rect x="{number(x0)}" y="{number(y0)}" width="{number(x1 - x0)}" '
                         f'height="{number(y1 - y0)}" rx="{number(r)}" fill="{fill(colour)}"/>')
        elif kind == "circle":
            cx, cy, r = geometry
            lines.append(f'  <circle cx="{number(cx)}" cy="{number(cy)}" r="{number(r)}" '
                         f'fill="{fill(colour)}"/>')
        else:
            points = " ".join(f"{number(x)},{number(y)}" for x, y in geometry)
            lines.append(f'  <polygon points="{points}" fill="{fill(colour)}"/>')
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


def write_file(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)
    print(f"wrote {os.path.relpath(path, ROOT)}")


def main():
    for size in SIZES:
        pixels = render(size)
        write_file(os.path.join(ICONS_DIR, f"{size}x{size}", "apps", NAME + ".png"), png_bytes(pixels))
    write_file(os.path.join(ICONS_DIR, "scalable", "apps", NAME + ".svg"), svg_text().encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
