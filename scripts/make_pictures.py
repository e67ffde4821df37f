#!/usr/bin/env python3
"""Draws the editor's pictures and writes them as 24-bit uncompressed BMP files.

    src/mainwindow/images/marker.bmp    21 x 21  the walk marker: a knight with shield and sword
    src/mainwindow/images/builtin.bmp   21 x 23  the built-in figure: a villager with a pitchfork
    data/Pics/*.bmp                     21 x 21  tile pictures for the template level

Standard library only. The output is the same on every run: textures come from a fixed hash, not from
the random module. Run from anywhere: paths are taken relative to the repository root.

    python3 scripts/make_pictures.py
"""

import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
IMAGES_DIR = os.path.join(ROOT, "src", "mainwindow", "images")
PICS_DIR = os.path.join(ROOT, "data", "Pics")

TILE = 21  # tile pictures fit inside a grid tile together with its border

# The ground of both figures: the same green as the blank tile and the built-in figure's box.
FIGURE_GROUND = (0, 192, 0)


# --------------------------------------------------------------------------------------------------------
# BMP writing
# --------------------------------------------------------------------------------------------------------

def bmp_bytes(pixels):
    """pixels: list of rows, top row first, each a list of (r, g, b). Returns a 24-bit bottom-up BMP."""
    height = len(pixels)
    width = len(pixels[0])
    row_size = (width * 3 + 3) & ~3
    image_size = row_size * height
    offset = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", offset + image_size, 0, 0, offset)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, image_size, 2835, 2835, 0, 0)
    body = bytearray()
    for row in reversed(pixels):
        assert len(row) == width
        for r, g, b in row:
            body += bytes((b, g, r))
        body += b"\0" * (row_size - width * 3)
    return file_header + info_header + bytes(body)


def write_bmp(path, pixels):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(bmp_bytes(pixels))
    print(f"wrote {os.path.relpath(path, ROOT)} ({len(pixels[0])} x {len(pixels)})")


# --------------------------------------------------------------------------------------------------------
# Helpers
# --------------------------------------------------------------------------------------------------------

def from_art(rows, palette):
    """Turns rows of palette letters into pixels; every row must have the same length."""
    width = len(rows[0])
    pixels = []
    for n, row in enumerate(rows):
        if len(row) != width:
            raise ValueError(f"row {n} is {len(row)} wide, expected {width}: {row!r}")
        pixels.append([palette[ch] for ch in row])
    return pixels


def noise(x, y, seed):
    """A fixed pseudo-random value in 0..255 for a pixel."""
    h = (x * 374761393 + y * 668265263 + seed * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return (h ^ (h >> 16)) & 0xFF


def shade(colour, amount):
    """Lightens (amount > 0) or darkens (amount < 0) a colour by a number of steps."""
    return tuple(max(0, min(255, c + amount)) for c in colour)


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def blank(width, height, colour):
    return [[colour for _ in range(width)] for _ in range(height)]


def paint_art(pixels, rows, palette, left=0, top=0):
    """Draws letter art onto pixels; a blank in the art leaves the pixel as it is."""
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch != " ":
                pixels[top + y][left + x] = palette[ch]


# --------------------------------------------------------------------------------------------------------
# The walk marker: a knight in plate armour, red plume, blue shield with a gold cross, sword raised.
# --------------------------------------------------------------------------------------------------------

MARKER_PALETTE = {
    ".": FIGURE_GROUND,
    ",": (0, 140, 0),       # shadow and grass tufts
    "k": (22, 22, 34),      # outline
    "W": (240, 242, 250),   # steel highlight
    "s": (192, 198, 212),   # steel
    "S": (132, 138, 156),   # steel shaded
    "d": (76, 80, 98),      # steel dark
    "v": (8, 8, 12),        # visor slit
    "r": (222, 36, 36),     # plume
    "R": (140, 18, 18),     # plume shaded
    "b": (48, 92, 214),     # shield
    "B": (26, 48, 136),     # shield shaded
    "y": (246, 206, 52),    # gold
    "Y": (172, 130, 22),    # gold shaded
    "h": (118, 70, 32),     # leather
}

MARKER_ART = [
    "..........rrR........",
    ".........rrrR.....W..",
    "........kkrkk.....WS.",
    ".......kWsssSk....WS.",
    ".......kWssSSk....WS.",
    ".......kvvvvvk....WS.",
    ".......ksSvSdk....WS.",
    "........kdSdk.....WS.",
    ".kkkkkkksWWsSSdk..WS.",
    ".kbbybBksWsssSdSk.WS.",
    ".kbbybBkssWsSSdSd.WS.",
    ".kyyyyykssssSSdkSYyyY",
    ".kbbybBkhhhyhhhkSsSS.",
    "..kbyBk.sSsdsSd..khh.",
    "..kbyBk.kdSkSdk..kyY.",
    "...kyk...sSd.sSd.....",
    "....k....sSd.sSd.....",
    ".........sSd.sSd.....",
    ".........dSd.dSd.....",
    "........kddd.dddk....",
    "......,,,,,,,,,,,....",
]


def draw_marker():
    return from_art(MARKER_ART, MARKER_PALETTE)


# --------------------------------------------------------------------------------------------------------
# The built-in figure: a villager in a straw hat and a brown smock, holding a pitchfork.
# --------------------------------------------------------------------------------------------------------

VILLAGER_PALETTE = {
    ".": FIGURE_GROUND,
    ",": (0, 140, 0),       # shadow
    "k": (52, 32, 18),      # outline
    "y": (240, 208, 96),    # straw
    "Y": (186, 146, 56),    # straw shaded
    "f": (246, 196, 154),   # skin
    "F": (206, 146, 104),   # skin shaded
    "e": (30, 20, 20),      # eyes
    "m": (170, 70, 56),     # mouth
    "t": (156, 94, 44),     # smock
    "T": (104, 60, 26),     # smock shaded
    "l": (230, 214, 150),   # rope belt
    "p": (74, 96, 150),     # trousers
    "P": (46, 62, 104),     # trousers shaded
    "b": (66, 42, 22),      # boots
    "w": (176, 124, 62),    # wooden shaft
    "g": (200, 202, 212),   # tines
}

VILLAGER_ART = [
    "..............g.g.g..",
    "..............g.g.g..",
    ".......kkkkk..g.g.g..",
    "......kyyyYYk.ggggg..",
    "....kyyyyyyYYYk.w....",
    "....kYYYYYYYYYk.w....",
    "......kfefeFk...w....",
    "......kffffFk...w....",
    ".......kfmFk....w....",
    ".....kttfffTTk..w....",
    "....kttttttTTTk.w....",
    "...kttktttttTTtkfF...",
    "...kttktttttTTTkFF...",
    "...kfFkllllllllk.w...",
    "....ffktttttTTTk.w...",
    "......kttttTTTTk.w...",
    "......kpppkpPPk..w...",
    "......kppPkpPPk..w...",
    "......kppPkpPPk..w...",
    "......kppPkpPPk..w...",
    ".....kbbbbkbbbbk.w...",
    ".....kbbbbkbbbbk.w...",
    "....,,,,,,,,,,,,,,...",
]


def draw_villager():
    return from_art(VILLAGER_ART, VILLAGER_PALETTE)


# --------------------------------------------------------------------------------------------------------
# Tile pictures
# --------------------------------------------------------------------------------------------------------

GRASS = (52, 156, 44)
WATER = (36, 96, 206)
SAND = (228, 206, 140)
STONE = (150, 150, 158)
PATH = (164, 122, 76)
WOOD = (150, 98, 48)


def grass_ground(seed, base=GRASS):
    """Grass with darker and lighter blades."""
    pixels = blank(TILE, TILE, base)
    for y in range(TILE):
        for x in range(TILE):
            n = noise(x, y, seed)
            if n < 34:
                pixels[y][x] = shade(base, -34)
                if y > 0:
                    pixels[y - 1][x] = shade(base, -18)
            elif n > 236:
                pixels[y][x] = shade(base, 30)
            else:
                pixels[y][x] = shade(base, (n % 9) - 4)
    return pixels


def draw_grass():
    return grass_ground(1)


def draw_flowers():
    pixels = grass_ground(2)
    petals = [(250, 240, 90), (255, 255, 255), (236, 90, 160), (250, 240, 90), (255, 255, 255)]
    centres = [(4, 4), (14, 3), (9, 10), (3, 15), (16, 15)]
    for n, (cx, cy) in enumerate(centres):
        petal = petals[n % len(petals)]
        for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)):
            pixels[cy + dy][cx + dx] = petal
        pixels[cy][cx] = (232, 150, 30)
        pixels[cy + 2][cx] = shade(GRASS, -40)
    return pixels


def draw_water():
    pixels = blank(TILE, TILE, WATER)
    for y in range(TILE):
        for x in range(TILE):
            pixels[y][x] = shade(WATER, (noise(x, y, 3) % 13) - 6)
    light = (132, 186, 246)
    dark = (24, 66, 160)
    # short wave crests in staggered rows
    for row, start in ((2, 2), (2, 13), (7, 7), (7, 17), (12, 1), (12, 11), (17, 5), (17, 15)):
        for i, dy in enumerate((1, 0, 0, 0, 1)):
            x = (start + i) % TILE
            pixels[row + dy][x] = light
            if row + dy + 1 < TILE:
                pixels[row + dy + 1][x] = dark
    return pixels


def draw_sand():
    pixels = blank(TILE, TILE, SAND)
    for y in range(TILE):
        for x in range(TILE):
            n = noise(x, y, 4)
            if n < 26:
                pixels[y][x] = shade(SAND, -40)
            elif n > 240:
                pixels[y][x] = shade(SAND, 22)
            else:
                pixels[y][x] = shade(SAND, (n % 11) - 5)
    # a couple of wind ripples
    for x in range(3, 9):
        pixels[6][x] = shade(SAND, -22)
    for x in range(11, 18):
        pixels[14][x] = shade(SAND, -22)
    return pixels


def draw_path():
    pixels = blank(TILE, TILE, PATH)
    for y in range(TILE):
        for x in range(TILE):
            n = noise(x, y, 5)
            pixels[y][x] = shade(PATH, (n % 15) - 7)
    # pebbles: a light top-left and a dark bottom-right pixel each
    for cx, cy in ((3, 3), (15, 5), (8, 9), (17, 13), (4, 16), (11, 18), (12, 2)):
        pixels[cy][cx] = (206, 196, 180)
        pixels[cy][cx + 1] = (170, 160, 146)
        pixels[cy + 1][cx + 1] = (100, 76, 50)
    return pixels


def draw_wall():
    """Grey stone blocks in staggered courses with dark mortar."""
    mortar = (70, 68, 72)
    pixels = blank(TILE, TILE, mortar)
    course_height = 5
    block_width = 8
    for y in range(TILE):
        course = y // course_height
        in_course = y % course_height
        if in_course == course_height - 1:
            continue  # mortar line
        offset = 0 if course % 2 == 0 else block_width // 2
        for x in range(TILE):
            in_block = (x + offset) % block_width
            if in_block == block_width - 1:
                continue  # mortar joint
            block = (x + offset) // block_width + course * 7
            base = shade(STONE, (noise(block, course, 6) % 25) - 12)
            colour = shade(base, (noise(x, y, 7) % 11) - 5)
            if in_course == 0 or in_block == 0:
                colour = shade(colour, 28)  # lit edge
            elif in_course == course_height - 2 or in_block == block_width - 2:
                colour = shade(colour, -24)  # shaded edge
            pixels[y][x] = colour
    return pixels


def draw_tree():
    """A round leafy crown on a brown trunk, on grass."""
    pixels = grass_ground(8)
    trunk = (112, 70, 34)
    trunk_dark = (74, 44, 20)
    for y in range(13, 19):
        for x in range(9, 12):
            pixels[y][x] = trunk if x < 11 else trunk_dark
    pixels[19][8] = trunk_dark
    pixels[19][12] = trunk_dark
    for x in range(8, 13):
        pixels[19][x] = trunk_dark if x in (8, 12) else trunk
    leaf = (26, 110, 30)
    leaf_light = (70, 168, 56)
    leaf_dark = (14, 72, 20)
    cx, cy, radius = 10, 7.5, 7.6
    for y in range(TILE):
        for x in range(TILE):
            dx, dy = x - cx, y - cy
            d = (dx * dx + dy * dy) ** 0.5
            if d <= radius:
                n = noise(x, y, 9)
                colour = leaf
                if dx + dy < -4 and n > 90:
                    colour = leaf_light
                elif dx + dy > 5 and n > 100:
                    colour = leaf_dark
                elif n < 40:
                    colour = leaf_dark
                elif n > 225:
                    colour = leaf_light
                if d > radius - 1.0:
                    colour = leaf_dark
                pixels[y][x] = colour
    return pixels


def draw_rock():
    """A grey boulder with a lit top-left and a shadow, on grass."""
    pixels = grass_ground(10)
    cx, cy = 10, 11
    for y in range(TILE):
        for x in range(TILE):
            # shadow on the grass, down and to the right
            sx, sy = (x - cx - 1.5) / 8.5, (y - cy - 2.5) / 6.0
            if sx * sx + sy * sy <= 1.0:
                pixels[y][x] = shade(pixels[y][x], -50)
    for y in range(TILE):
        for x in range(TILE):
            ex, ey = (x - cx) / 8.5, (y - cy) / 6.8
            r = ex * ex + ey * ey
            if r <= 1.0:
                light = -(ex + ey * 1.2)  # light from the top left
                colour = shade(STONE, round(light * 38) + (noise(x, y, 11) % 13) - 6)
                if r > 0.82:
                    colour = shade(colour, -36)
                pixels[y][x] = colour
    # a crack
    for x, y in ((9, 8), (10, 9), (10, 10), (11, 11), (12, 11), (13, 12)):
        pixels[y][x] = (86, 86, 92)
    return pixels


def draw_door():
    """An arched, planked wooden door with iron bands, set in a stone wall."""
    pixels = draw_wall()
    plank = (140, 86, 40)
    gap = (72, 42, 16)
    iron = (44, 44, 50)
    left, right, top = 4, 16, 3  # door from x = left..right, arch top at y = top
    for y in range(top, TILE):
        for x in range(left - 1, right + 2):
            # arch: a half circle over the top rows
            cx, cy, r = (left + right) / 2, top + 6, (right - left) / 2 + 1
            inside_frame = y >= cy or (x - cx) ** 2 + (y - cy) ** 2 <= r * r
            inside_door = y >= cy or (x - cx) ** 2 + (y - cy) ** 2 <= (r - 1) ** 2
            if not inside_frame:
                continue
            if not inside_door or x in (left - 1, right + 1):
                pixels[y][x] = (58, 56, 60)  # stone frame shadow
                continue
            if (x - left) % 3 == 2:
                colour = gap
            else:
                colour = shade(plank, (noise(x, y, 12) % 17) - 8)
            if y in (8, 16):
                colour = iron
            pixels[y][x] = colour
    # ring handle
    for x, y in ((13, 12), (14, 12), (13, 13), (14, 13)):
        pixels[y][x] = (214, 180, 60) if (x, y) == (13, 12) else iron
    return pixels


def draw_bridge():
    """Planks across the picture between two rails, water showing at the ends of the planks."""
    pixels = draw_water()
    rail = (98, 60, 26)
    rail_light = (168, 116, 60)
    for y in range(TILE):
        for x in range(2, TILE - 2):
            if y % 4 == 3:
                colour = (64, 38, 16)  # gap between planks
            else:
                colour = shade(WOOD, (noise(x, y, 13) % 19) - 9)
                if y % 4 == 0:
                    colour = shade(colour, 20)
            pixels[y][x] = colour
        for x in (2, 3):
            pixels[y][x] = rail_light if x == 2 else rail
        for x in (TILE - 4, TILE - 3):
            pixels[y][x] = rail_light if x == TILE - 4 else rail
    # nails
    for y in range(1, TILE, 4):
        pixels[y][5] = (40, 30, 20)
        pixels[y][TILE - 6] = (40, 30, 20)
    return pixels


TILE_PICTURES = {
    "grass.bmp": draw_grass,
    "flowers.bmp": draw_flowers,
    "sand.bmp": draw_sand,
    "path.bmp": draw_path,
    "water.bmp": draw_water,
    "bridge.bmp": draw_bridge,
    "tree.bmp": draw_tree,
    "rock.bmp": draw_rock,
    "wall.bmp": draw_wall,
    "door.bmp": draw_door,
}


def main():
    write_bmp(os.path.join(IMAGES_DIR, "marker.bmp"), draw_marker())
    write_bmp(os.path.join(IMAGES_DIR, "builtin.bmp"), draw_villager())
    for name, draw in TILE_PICTURES.items():
        pixels = draw()
        assert len(pixels) == TILE and all(len(row) == TILE for row in pixels), name
        write_bmp(os.path.join(PICS_DIR, name), pixels)
    return 0


if __name__ == "__main__":
    sys.exit(main())
