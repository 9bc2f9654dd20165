"""The ground set, tiles/ground.png: opaque grass, water and a dirt path, for
the bottom layer.

Water and path meet the grass in corner tiles: each tile knows which of its
four corners lie in the water (or on the path), and its picture depends only
on those corners and on noise that repeats every 40 pixels. So two tiles
whose shared corners agree meet without a seam, and every one of the 16
corner patterns is drawn. The 16 tiles of each kind are laid out as a 4 x 4
block in which every tile also fits its neighbours, so the palette shows
them as one picture."""

import itertools
import math

from raster import Canvas, circle, clamp, ellipse, fractal, hash01, mix, noise, smoothstep

SIDE = 40
COLUMNS, ROWS = 8, 5

GRASS_DARK = (0.28, 0.51, 0.17)
GRASS_LIGHT = (0.44, 0.67, 0.25)
BLADE_DARK = (0.18, 0.38, 0.12)
BLADE_LIGHT = (0.60, 0.80, 0.33)
SAND = (0.80, 0.70, 0.47)
WET_SAND = (0.55, 0.47, 0.31)
SHALLOW = (0.33, 0.64, 0.73)
DEEP = (0.13, 0.36, 0.57)
FOAM = (0.84, 0.93, 0.95)
DIRT = (0.66, 0.51, 0.32)
DIRT_DARK = (0.50, 0.37, 0.22)
DIRT_RIM = (0.40, 0.30, 0.17)
SOIL_RIDGE = (0.47, 0.33, 0.20)
SOIL_FURROW = (0.27, 0.18, 0.11)
STONE = (0.62, 0.61, 0.57)


def corner_block():
    """The 4 x 4 grid of corners, repeating each way, whose 16 windows of
    2 x 2 corners are all different: the first in counting order."""
    for bits in range(1 << 16):
        grid = [[(bits >> (4 * row + column)) & 1 for column in range(4)] for row in range(4)]
        masks = {corner_mask(grid, column, row) for row in range(4) for column in range(4)}
        if len(masks) == 16:
            return grid
    raise AssertionError("no 4 x 4 corner grid holds every pattern")


def corner_mask(grid, column, row):
    """The mask of the tile whose top-left corner is grid[row][column]:
    bit 1 top-left, 2 top-right, 4 bottom-left, 8 bottom-right."""
    right, below = (column + 1) % 4, (row + 1) % 4
    return (grid[row][column] | grid[row][right] << 1 | grid[below][column] << 2
            | grid[below][right] << 3)


def tile_layout():
    """Tile indices by name: WATER and PATH by corner mask, and the plain
    tiles of the last row."""
    grid = corner_block()
    water, path = {}, {}
    for row, column in itertools.product(range(4), range(4)):
        mask = corner_mask(grid, column, row)
        water[mask] = row * COLUMNS + column
        path[mask] = row * COLUMNS + column + 4
    last = 4 * COLUMNS
    return {
        "water": water,
        "path": path,
        "grass": [water[0], last, last + 1, last + 2],
        "meadow": last + 3,
        "soil": [last + 4, last + 5],
        "dirt": last + 6,
        "pond": last + 7,
    }


def corner_field(mask, x, y, seed, wobble):
    """How far into the water (or path) a point of a corner tile lies: 0 on
    grass corners, 1 on the other kind's, with the border at 0.5."""
    u, t = smoothstep(0, SIDE, x), smoothstep(0, SIDE, y)
    nw, ne, sw, se = (mask >> bit & 1 for bit in range(4))
    value = (nw * (1 - u) + ne * u) * (1 - t) + (sw * (1 - u) + se * u) * t
    return value + (fractal(x, y, SIDE, seed, (10, 5)) - 0.5) * wobble


def blade_map(seed, count):
    """Short upright grass blades scattered over a tile, wrapping at its
    edges: {(x, y): shade}, shade -1 dark, +1 light."""
    blades = {}
    for k in range(count):
        bx = int(hash01(seed, k, 1) * SIDE)
        by = int(hash01(seed, k, 2) * SIDE)
        shade = 1 if hash01(seed, k, 3) < 0.4 else -1
        for step in range(2 + int(hash01(seed, k, 4) * 3)):
            blades[(bx, (by - step) % SIDE)] = shade
    return blades


BLADES = blade_map(31, 46)
EXTRA_BLADES = blade_map(37, 40)


def grass(x, y, blades=BLADES):
    n = fractal(x, y, SIDE, 11, (10, 5, 2))
    colour = mix(GRASS_DARK, GRASS_LIGHT, smoothstep(0.25, 0.75, n))
    shade = blades.get((int(x) % SIDE, int(y) % SIDE))
    if shade:
        colour = mix(colour, BLADE_LIGHT if shade > 0 else BLADE_DARK, 0.55)
    return colour


def water(x, y, depth):
    colour = mix(SHALLOW, DEEP, smoothstep(0.0, 1.0, depth))
    ripple = noise(x, y, 10, SIDE, 53, cell_y=4)
    glint = 1 - abs(ripple - 0.66) / 0.035
    if glint > 0:
        colour = mix(colour, FOAM, 0.45 * glint * (0.4 + 0.6 * depth))
    return colour


def shore(mask, x, y):
    v = corner_field(mask, x, y, 41, 0.45)
    if v < 0.5:
        # Grass, then a dark rim, then a band of sand growing wet.
        land = grass(x, y)
        rim = smoothstep(0.28, 0.34, v) * (1 - smoothstep(0.34, 0.37, v))
        land = mix(land, BLADE_DARK, 0.5 * rim)
        sand = mix(SAND, WET_SAND, smoothstep(0.40, 0.5, v))
        sand = mix(sand, WET_SAND, 0.25 * fractal(x, y, SIDE, 43, (5,)))
        colour = mix(land, sand, smoothstep(0.35, 0.37, v))
        return mix(colour, FOAM, 0.7 * smoothstep(0.48, 0.5, v))
    colour = water(x, y, smoothstep(0.55, 0.9, v))
    return mix(colour, FOAM, 0.75 * (1 - smoothstep(0.5, 0.55, v)))


def dirt(x, y):
    n = fractal(x, y, SIDE, 61, (10, 5))
    colour = mix(DIRT_DARK, DIRT, smoothstep(0.25, 0.75, n))
    speck = hash01(67, int(x) % SIDE, int(y) % SIDE)
    if speck < 0.06:
        colour = mix(colour, DIRT_RIM, 0.5)
    elif speck > 0.95:
        colour = mix(colour, SAND, 0.5)
    return colour


def path(mask, x, y):
    v = corner_field(mask, x, y, 71, 0.5)
    ragged = 0.5 + (noise(x, y, 4, SIDE, 73) - 0.5) * 0.12
    if v < ragged - 0.08:
        return grass(x, y)
    ground = dirt(x, y)
    rim = 1 - smoothstep(ragged, ragged + 0.09, v)
    ground = mix(ground, DIRT_RIM, 0.6 * rim)
    return mix(grass(x, y), ground, smoothstep(ragged - 0.08, ragged - 0.02, v))


def soil(x, y, seed):
    ridge = 0.5 + 0.5 * math.cos((y % 10) / 10 * 2 * math.pi)
    colour = mix(SOIL_FURROW, SOIL_RIDGE, smoothstep(0.0, 0.9, ridge))
    return mix(colour, SOIL_FURROW, 0.35 * fractal(x, y, SIDE, seed, (10, 5)))


def paint_tile(canvas, index, colour_of):
    left, top = index % COLUMNS * SIDE, index // COLUMNS * SIDE
    for y in range(SIDE):
        for x in range(SIDE):
            canvas.blend(left + x, top + y, colour_of(x + 0.5, y + 0.5), 1.0)


def pebbles(canvas, index, seed, count, margin=4):
    """Small stones inside a tile, clear of its edges so they never cross
    into the next tile."""
    left, top = index % COLUMNS * SIDE, index // COLUMNS * SIDE
    for k in range(count):
        cx = left + margin + hash01(seed, k, 1) * (SIDE - 2 * margin)
        cy = top + margin + hash01(seed, k, 2) * (SIDE - 2 * margin)
        rx, ry = 1.2 + hash01(seed, k, 3) * 1.6, 0.9 + hash01(seed, k, 4) * 1.0
        area = (cx - 5, cy - 4, cx + 5, cy + 5)
        canvas.fill(ellipse(cx + 0.6, cy + 0.8, rx, ry), (0.1, 0.1, 0.05), area, 0.35)
        canvas.fill(ellipse(cx, cy, rx, ry),
                    lambda px, py, cy=cy, ry=ry: mix(STONE, (0.85, 0.84, 0.8), clamp((cy - py) / ry)), area)


def flowers(canvas, index, seed, count, colours):
    left, top = index % COLUMNS * SIDE, index // COLUMNS * SIDE
    for k in range(count):
        cx = left + 4 + hash01(seed, k, 1) * (SIDE - 8)
        cy = top + 4 + hash01(seed, k, 2) * (SIDE - 8)
        petal = colours[k % len(colours)]
        area = (cx - 3, cy - 3, cx + 3, cy + 3)
        for dx, dy in ((-1.1, 0), (1.1, 0), (0, -1.1), (0, 1.1)):
            canvas.fill(circle(cx + dx, cy + dy, 0.9), petal, area)
        canvas.fill(circle(cx, cy, 0.7), (0.95, 0.78, 0.2), area)


def draw():
    """The ground set as a Canvas, and its tile layout."""
    layout = tile_layout()
    canvas = Canvas(COLUMNS * SIDE, ROWS * SIDE)
    for mask, index in layout["water"].items():
        paint_tile(canvas, index, lambda x, y, m=mask: shore(m, x, y))
    for mask, index in layout["path"].items():
        paint_tile(canvas, index, lambda x, y, m=mask: path(m, x, y))
    plain, tufts, flowered, stony = layout["grass"]
    paint_tile(canvas, tufts, lambda x, y: grass(x, y, {**EXTRA_BLADES, **BLADES}))
    paint_tile(canvas, flowered, grass)
    flowers(canvas, flowered, 83, 4, [(0.97, 0.97, 0.93)])
    paint_tile(canvas, stony, grass)
    pebbles(canvas, stony, 89, 3)
    paint_tile(canvas, layout["meadow"], grass)
    flowers(canvas, layout["meadow"], 97, 9, [(0.97, 0.97, 0.93), (0.95, 0.85, 0.25), (0.75, 0.55, 0.9)])
    for seed, index in enumerate(layout["soil"]):
        paint_tile(canvas, index, lambda x, y, s=seed: soil(x, y, 101 + s))
    paint_tile(canvas, layout["dirt"], dirt)
    pebbles(canvas, layout["dirt"], 103, 4)
    paint_tile(canvas, layout["pond"], lambda x, y: water(x, y, 1.0))
    return canvas, layout
