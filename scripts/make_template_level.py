#!/usr/bin/env python3
"""Writes data/PelmarLevel.txt, the template level that ships with the editor.

The level is five screens around the village of Pelmar, drawn below as maps of 20 x 15 letters:

        [3 castle]
        [0 meadow]  [1 lake]
        [2 forest]  [4 hills]

Every tile gets its picture and back colour from its letter, and its four direction properties from its
neighbours: a step onto a tile that blocks (tree, water, wall, rock, a villager) is blocked, a step off an
edge is an exit where a neighbouring screen lies that way and blocked where none does. Exits arrive on the
tile facing them on the neighbouring screen, in the same row or column.

The file is written byte for byte in the level file format (docs/level-file-format.md): twelve fields a
record, CR LF line ends, texts in double quotes. Standard library only; the output is the same on every run.

    python3 scripts/make_template_level.py
"""

import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUTPUT = os.path.join(ROOT, "data", "PelmarLevel.txt")
PICS_DIR = os.path.join(ROOT, "data", "Pics")

COLUMNS = 20
ROWS = 15
TILES = COLUMNS * ROWS
BUILTIN_FIGURE = 997  # picture reference of the built-in villager


def rgb(red, green, blue):
    """A colour as the level file stores it: 0x00BBGGRR in decimal."""
    return red | (green << 8) | (blue << 16)


class Terrain:
    def __init__(self, picture, colour, walkable):
        self.picture = picture      # "\name.bmp", a number, or 0 for none
        self.colour = colour
        self.walkable = walkable


TERRAIN = {
    ".": Terrain("\\grass.bmp", rgb(52, 156, 44), True),
    ",": Terrain("\\flowers.bmp", rgb(52, 156, 44), True),
    "-": Terrain("\\path.bmp", rgb(164, 122, 76), True),
    ":": Terrain("\\sand.bmp", rgb(228, 206, 140), True),
    "=": Terrain("\\bridge.bmp", rgb(150, 98, 48), True),
    "D": Terrain("\\door.bmp", rgb(150, 150, 158), True),
    "~": Terrain("\\water.bmp", rgb(36, 96, 206), False),
    "T": Terrain("\\tree.bmp", rgb(52, 156, 44), False),
    "R": Terrain("\\rock.bmp", rgb(52, 156, 44), False),
    "#": Terrain("\\wall.bmp", rgb(150, 150, 158), False),
    "v": Terrain(BUILTIN_FIGURE, rgb(0, 192, 0), False),   # a villager standing in the way
    "_": Terrain(0, rgb(168, 160, 148), True),             # castle courtyard, plain paving
    "o": Terrain(0, rgb(150, 110, 70), True),              # woodcutters' clearing, bare earth
    "g": Terrain(0, rgb(176, 170, 156), True),             # gravel
}

# Side links: 2 = the screen above, 3 = left, 4 = right, 5 = below. A link that leads nowhere names the
# screen itself, so following it stays where it is.
UP, LEFT, RIGHT, DOWN = 2, 3, 4, 5

SCREENS = {
    0: {
        "name": "meadow",
        "links": {UP: 3, RIGHT: 1, DOWN: 2},
        "map": [
            "TTTTTTT..--..TTTTTTT",
            "TT.....,.--.....,TTT",
            "T..,.....--.........",
            "T.....R..--....,....",
            "T.,......--.........",
            "T........--...v.....",
            "T..,.....--.....,...",
            "T........-----------",
            "T....,...--.........",
            "T.R......--......R..",
            "T........--..,......",
            "T..,.....--.........",
            "T.....,..--.....,...",
            "TT.......--.......TT",
            "TTTTTT...--...TTTTTT",
        ],
    },
    1: {
        "name": "lake",
        "links": {LEFT: 0, DOWN: 4},
        "map": [
            "TTTTTTTTTTTTTTTTTTTT",
            "TT...,......:::TTTTT",
            "......::::::::::::TT",
            "....::~~~~~~=~~~~:TT",
            "...::~~~~~~~=~~~~~:T",
            "..::~~~~~~~~=~~~~~~T",
            "..:~~~~~~~~~=~~~~~~~",
            "---:~~~~~~~~=~~~~~~~",
            "..:v~~~~~~~~=~~~~~~~",
            "..::~~~~~~~~=~~~~~~~",
            "...::~~~~~~~=~~~~~~:",
            "....::~~~~~~=~~~~~::",
            ".,....:::::::::::::T",
            "TTT.....,...--..TTTT",
            "TTTTTTTTTT..--..TTTT",
        ],
    },
    2: {
        "name": "forest",
        "links": {UP: 0, RIGHT: 4},
        "map": [
            "TTTTTT...--...TTTTTT",
            "TTTTT....--..T.TTTTT",
            "TTT.T.,..--...T.TTTT",
            "TT..T....--.T...TTTT",
            "TT.T..T..--..T.T.TTT",
            "TT....T..--..T......",
            "TTT.T....--...,.....",
            "TToooooo.-----------",
            "TToovooo...T...T....",
            "TToooooo.T..TT.R....",
            "TTT.o.o..TT....TTTTT",
            "TT.R.....T..T.TTTTTT",
            "TTT..T.,...T..TTTTTT",
            "TTTTT.TT..TTTTTTTTTT",
            "TTTTTTTTTTTTTTTTTTTT",
        ],
    },
    3: {
        "name": "castle",
        "links": {DOWN: 0},
        "map": [
            "TTTTTTTTTTTTTTTTTTTT",
            "T..###........###..T",
            "T..##############..T",
            "T..#____________#..T",
            "T..#__######____#..T",
            "T..#__######__v_#..T",
            "T..#__##D###____#..T",
            "T..#____________#..T",
            "T..#____________#..T",
            "T..######DD######..T",
            "T..~~~~~~==~~~~~~..T",
            "T.,......--.....,..T",
            "T.....R..--........T",
            "TT.......--......TTT",
            "TTTTTTT..--..TTTTTTT",
        ],
    },
    4: {
        "name": "hills",
        "links": {UP: 1, LEFT: 2},
        "map": [
            "RRRRRRRRRR..--..RRRR",
            "RRR.gggRR...--...RRR",
            "RR..ggg.....--....RR",
            "R...R.....:.--.###.R",
            "R.gg......::--.#D#.R",
            "...g..RR..:.-----..R",
            ".......R...:-...:..R",
            "-------------gg..R.R",
            "....R...~~~.gg...RRR",
            "..g....~~~~~..v..RRR",
            "RR....gg~~~....R..RR",
            "RRR..R......gg...RRR",
            "RRRR....R.......RRRR",
            "RRRRRR..RRR..RRRRRRR",
            "RRRRRRRRRRRRRRRRRRRR",
        ],
    },
}

LAST_SCREEN = max(SCREENS)
START_TILE = 145  # screen 0, row 7, column 4: on the meadow, west of the crossroads

# Exits back from the lake to the meadow keep their arrival tile as a text, as the editor's property
# boxes may leave it; the other operands are numbers.
QUOTED_OPERANDS = {(1, LEFT)}

LEVEL_PROPERTIES = {
    "name": "Pelmar Vale, a first walk",
    "author": "The TavrinEditor developers",
    "date": "6 December 2024",
    "description": "\r\n".join([
        "Five screens around the village of Pelmar:",
        "the meadow where you start, the lake with its bridge,",
        "the forest, the rocky hills and the castle.",
        "Walk with the arrow keys; trees, water, rocks and walls block the way.",
    ]),
    "comments": "The template level of TavrinEditor. Save your own version under a new name.",
}


# --------------------------------------------------------------------------------------------------------

def tile_number(row, column):
    return row * COLUMNS + column + 1


def terrain_at(screen, row, column):
    return TERRAIN[SCREENS[screen]["map"][row][column]]


def step(direction, row, column):
    """The tile one step away, or None when the step leaves the screen."""
    d_row, d_column = {LEFT: (0, -1), UP: (-1, 0), RIGHT: (0, 1), DOWN: (1, 0)}[direction]
    row, column = row + d_row, column + d_column
    if 0 <= row < ROWS and 0 <= column < COLUMNS:
        return row, column
    return None


def arrival(direction, row, column):
    """Where an exit off the edge lands on the neighbouring screen: the facing tile."""
    if direction == LEFT:
        return row, COLUMNS - 1
    if direction == RIGHT:
        return row, 0
    if direction == UP:
        return ROWS - 1, column
    return 0, column


def direction_property(screen, row, column, direction):
    """(property, operand) for a step from this tile in one direction."""
    if not terrain_at(screen, row, column).walkable:
        return 1, 0
    target = step(direction, row, column)
    if target is not None:
        return (0, 0) if terrain_at(screen, *target).walkable else (1, 0)
    neighbour = SCREENS[screen]["links"].get(direction)
    if neighbour is None:
        return 1, 0
    land_row, land_column = arrival(direction, row, column)
    if not terrain_at(neighbour, land_row, land_column).walkable:
        return 1, 0
    operand = tile_number(land_row, land_column)
    if (screen, direction) in QUOTED_OPERANDS:
        operand = str(operand)
    return direction, operand


def side_links(screen):
    links = SCREENS[screen]["links"]
    return [links.get(k, screen) for k in range(2, 10)]


# --------------------------------------------------------------------------------------------------------
# Record encoding

def field(value):
    if value is None:
        return ""
    if isinstance(value, str):
        if '"' in value:
            raise ValueError(f"a text may not hold a double quote: {value!r}")
        return f'"{value}"'
    return str(value)


def record(*values):
    if len(values) != 12:
        raise ValueError(f"a record has twelve fields, not {len(values)}: {values!r}")
    return ",".join(field(v) for v in values) + "\r\n"


def screen_block(screen):
    key = f"Screen{screen}"
    lines = []
    for row in range(ROWS):
        for column in range(COLUMNS):
            terrain = terrain_at(screen, row, column)
            props = [direction_property(screen, row, column, d) for d in (LEFT, UP, RIGHT, DOWN)]
            lines.append(record(key, tile_number(row, column), terrain.colour, terrain.picture,
                                *[p for p, _ in props], *[o for _, o in props]))
    links = side_links(screen)
    lines.append(record(key, "ScreenInfo", *links, 0, 0))
    for k in range(2, 10):
        lines.append(record(key, f"Side{k}", links[k - 2], 0, 0, 0, 0, 0, 0, 0, 0, 0))
    return lines


def level_prop():
    p = LEVEL_PROPERTIES
    return record("LevelProp", p["name"], p["author"], p["date"], p["description"], p["comments"],
                  START_TILE, LAST_SCREEN, 0, 0, 0, 0)


# --------------------------------------------------------------------------------------------------------
# Checks

def check_maps():
    for screen, data in SCREENS.items():
        assert len(data["map"]) == ROWS, f"screen {screen}: {len(data['map'])} rows"
        for row, line in enumerate(data["map"]):
            assert len(line) == COLUMNS, f"screen {screen} row {row}: {len(line)} columns"
            for ch in line:
                assert ch in TERRAIN, f"screen {screen} row {row}: unknown letter {ch!r}"
        for direction, neighbour in data["links"].items():
            back = {UP: DOWN, DOWN: UP, LEFT: RIGHT, RIGHT: LEFT}[direction]
            assert SCREENS[neighbour]["links"].get(back) == screen, \
                f"screen {screen} links to {neighbour} but not back"
    assert sorted(SCREENS) == list(range(LAST_SCREEN + 1)), "screens must be numbered 0..last"
    start_row, start_column = divmod(START_TILE - 1, COLUMNS)
    assert terrain_at(0, start_row, start_column).walkable, "the start tile must be walkable"
    for terrain in TERRAIN.values():
        if isinstance(terrain.picture, str):
            path = os.path.join(PICS_DIR, terrain.picture.lstrip("\\"))
            assert os.path.isfile(path), f"missing picture {path}; run scripts/make_pictures.py"


def read_records(data):
    """Reads the file back the way the editor does: quoted texts, bare fields, twelve to a record."""
    fields = []
    i = 0
    while i < len(data):
        if data[i] == '"':
            end = data.index('"', i + 1)
            fields.append(data[i + 1:end])
            i = end + 1
        else:
            end = i
            while end < len(data) and data[end] not in ",\r\n":
                end += 1
            fields.append(int(data[i:end]) if end > i else None)
            i = end
        if data.startswith("\r\n", i):
            i += 2
        elif i < len(data) and data[i] == ",":
            i += 1
    assert len(fields) % 12 == 0, "the file does not split into records of twelve fields"
    return [fields[n:n + 12] for n in range(0, len(fields), 12)]


def check_exits(records):
    """Every exit lands on a walkable tile whose matching direction leads back."""
    tiles = {}
    for r in records:
        if isinstance(r[1], int):
            tiles[(r[0], r[1])] = r
    opposite = {LEFT: RIGHT, RIGHT: LEFT, UP: DOWN, DOWN: UP}
    exits = 0
    for (key, tile), r in tiles.items():
        screen = int(key[len("Screen"):])
        for n, direction in enumerate((LEFT, UP, RIGHT, DOWN)):
            prop, operand = r[4 + n], int(r[8 + n])
            if prop < 2:
                continue
            exits += 1
            neighbour = SCREENS[screen]["links"][prop]
            back = tiles[(f"Screen{neighbour}", operand)]
            assert back[4 + (LEFT, UP, RIGHT, DOWN).index(opposite[direction])] == opposite[direction], \
                f"exit from screen {screen} tile {tile} has no way back"
            assert int(back[8 + (LEFT, UP, RIGHT, DOWN).index(opposite[direction])]) == tile
    return exits


def main():
    check_maps()
    lines = []
    for screen in range(LAST_SCREEN + 1):
        lines.extend(screen_block(screen))
    lines.append(level_prop())
    text = "".join(lines)
    records = read_records(text)
    assert len(records) == 309 * (LAST_SCREEN + 1) + 1
    assert records[-1][0] == "LevelProp"
    exits = check_exits(records)
    os.makedirs(os.path.dirname(OUTPUT), exist_ok=True)
    with open(OUTPUT, "wb") as out:
        out.write(text.encode("ascii"))
    print(f"wrote {os.path.relpath(OUTPUT, ROOT)}: {len(records)} records, screens 0..{LAST_SCREEN}, "
          f"{exits} exit directions, start tile {START_TILE}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
