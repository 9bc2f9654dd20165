"""The plant set, tiles/plants.png: trees, bushes, flowers, reeds, rocks and
logs on a clear background, for the top layer. Every edge is antialiased and
every shadow soft, so the ground below shows through partly transparent
pixels.

Twelve tiles of one cell each, and a large tree of 2 x 2 cells in the last
two columns."""

import math

from raster import (Canvas, Region, box, circle, clamp, ellipse, fractal, hash01, mix, polygon, segment,
                    smoothstep, subtract, union)

SIDE = 40
COLUMNS, ROWS = 8, 2

LEAF_DARK = (0.13, 0.33, 0.12)
LEAF = (0.25, 0.52, 0.18)
LEAF_LIGHT = (0.52, 0.75, 0.30)
NEEDLE_DARK = (0.07, 0.25, 0.16)
NEEDLE_LIGHT = (0.25, 0.50, 0.30)
BARK = (0.36, 0.24, 0.14)
BARK_LIGHT = (0.55, 0.39, 0.23)
WOOD_END = (0.78, 0.62, 0.40)
ROCK_DARK = (0.36, 0.37, 0.38)
ROCK_LIGHT = (0.74, 0.74, 0.71)
MOSS = (0.38, 0.55, 0.20)
REED = (0.46, 0.58, 0.23)
REED_HEAD = (0.42, 0.26, 0.14)
PAD = (0.24, 0.55, 0.27)
PAD_LIGHT = (0.45, 0.72, 0.38)


def tiles():
    """Tile indices by name."""
    names = ["oak", "pine", "bush", "berries", "flowers", "grass", "reeds", "lily",
             "boulder", "stump", "log", "mushrooms"]
    layout = {name: (index // 6) * COLUMNS + index % 6 for index, name in enumerate(names)}
    layout["big tree"] = [6, 7, COLUMNS + 6, COLUMNS + 7]
    return layout


def lit(dark, light, cx, cy, radius, seed, grain=0.35):
    """A colour function lit from the top left of a round form at (cx, cy),
    its surface broken by noise."""
    def colour(x, y):
        light_amount = 1 - math.hypot(x - (cx - radius * 0.45), y - (cy - radius * 0.5)) / (radius * 1.6)
        n = fractal(x * 2, y * 2, 4 * SIDE, seed, (8, 4))
        return mix(dark, light, smoothstep(0.0, 1.0, light_amount + (n - 0.5) * grain * 2))
    return colour


def canopy(region, cx, cy, radius, seed, dark=LEAF_DARK, light=LEAF_LIGHT, lobes=9):
    """A round crown of leaves, bumpy at its rim, over a soft shadow."""
    bumps = [circle(cx + math.cos(a) * radius * 0.72, cy + math.sin(a) * radius * 0.72, radius * 0.38)
             for a in (2 * math.pi * (k + hash01(seed, k) * 0.4) / lobes for k in range(lobes))]
    crown = union(circle(cx, cy, radius * 0.8), *bumps)
    region.shadow(lambda x, y: crown(x - radius * 0.18, y - radius * 0.3), 0.45, radius * 0.3)
    region.fill(crown, lit(dark, light, cx, cy, radius, seed))
    # Clusters of leaves catching the light.
    for k in range(lobes):
        a = 2 * math.pi * hash01(seed, k, 5)
        r = radius * 0.55 * math.sqrt(hash01(seed, k, 6))
        bx, by = cx + math.cos(a) * r - radius * 0.15, cy + math.sin(a) * r - radius * 0.2
        region.fill(circle(bx, by, radius * 0.16), light, 0.35)


def trunk(region, x, top, bottom, width):
    region.shadow(ellipse(x + 3, bottom, width * 1.4, width * 0.6), 0.4, 2.5)
    region.fill(segment(x, top, x, bottom - width / 2, width / 2),
                lambda px, py: mix(BARK_LIGHT, BARK, smoothstep(x - width / 2, x + width / 2, px)))


def oak(region):
    trunk(region, 20, 22, 36, 5)
    canopy(region, 20, 17, 14.5, 3)


def pine(region):
    region.shadow(ellipse(24, 35, 11, 4), 0.4, 3)
    region.fill(segment(20, 28, 20, 36, 2), BARK)
    for k, (top, bottom, half) in enumerate(((2, 16, 7), (8, 24, 10.5), (14, 31, 13.5))):
        shape = polygon([(20, top), (20 + half, bottom), (20, bottom - 2.5), (20 - half, bottom)])
        region.fill(shape, lambda x, y, t=top, b=bottom: mix(
            NEEDLE_LIGHT, NEEDLE_DARK, clamp((x - 14) / 14 + (y - t) / (b - t) * 0.4
                                             + (fractal(x * 2, y * 2, 160, 17 + k, (4, 2)) - 0.5) * 0.6)))


def bush(region, seed=7, berries=False):
    canopy(region, 20, 23, 12, seed, lobes=7)
    if not berries:
        return
    for k in range(9):
        a = 2 * math.pi * hash01(seed, k, 1)
        r = 8 * math.sqrt(hash01(seed, k, 2))
        bx, by = 20 + math.cos(a) * r, 23 + math.sin(a) * r
        region.fill(circle(bx + 0.4, by + 0.5, 1.6), (0.1, 0.05, 0.1), 0.5)
        region.fill(circle(bx, by, 1.4), lambda x, y, by=by: mix((0.95, 0.35, 0.45), (0.65, 0.08, 0.2),
                                                                 clamp((y - by + 1) / 2)))


def flowers(region):
    colours = [(0.97, 0.95, 0.90), (0.96, 0.82, 0.22), (0.72, 0.52, 0.92), (0.95, 0.48, 0.55)]
    for k in range(14):
        x = 5 + hash01(41, k, 1) * 30
        y = 6 + hash01(41, k, 2) * 29
        region.fill(ellipse(x + 1.2, y + 2.2, 3, 1.6), LEAF_DARK, 0.25)
        region.fill(ellipse(x - 1.5, y + 1.5, 2.2, 1.1), LEAF, 0.9)
        petal = colours[k % len(colours)]
        for a in range(5):
            angle = a * 2 * math.pi / 5 + hash01(41, k, 3)
            region.fill(circle(x + math.cos(angle) * 1.3, y + math.sin(angle) * 1.3, 1.1), petal)
        region.fill(circle(x, y, 0.8), (0.98, 0.75, 0.15) if petal != colours[1] else (0.6, 0.35, 0.1))


def blades(region, seed, count, colour_dark, colour_light, base_y, height, spread, width=0.8):
    for k in range(count):
        x = 20 + (hash01(seed, k, 1) - 0.5) * spread
        lean = (hash01(seed, k, 2) - 0.5) * 10
        tall = height * (0.6 + 0.4 * hash01(seed, k, 3))
        base = base_y + hash01(seed, k, 4) * 3
        region.fill(segment(x, base, x + lean, base - tall, width),
                    mix(colour_dark, colour_light, hash01(seed, k, 5)))


def tall_grass(region):
    region.shadow(ellipse(21, 33, 12, 3.5), 0.35, 3)
    blades(region, 53, 40, LEAF_DARK, LEAF_LIGHT, 31, 22, 20)


def reeds(region):
    region.shadow(ellipse(21, 34, 12, 3.5), 0.3, 3)
    blades(region, 59, 22, (0.26, 0.38, 0.14), REED, 32, 28, 18, 0.7)
    for k in range(5):
        x = 12 + k * 4 + hash01(61, k) * 2
        y = 6 + hash01(61, k, 1) * 8
        region.fill(segment(x, y + 10, x, y + 20, 0.6), REED)
        region.fill(segment(x, y, x, y + 6, 1.5), lambda px, py, x=x: mix(
            (0.58, 0.38, 0.22), REED_HEAD, smoothstep(x - 1.5, x + 1.5, px)))


def lily(region):
    for cx, cy, r, seed in ((14, 15, 8, 1), (27, 27, 7, 2), (29, 11, 4.5, 3)):
        notch = polygon([(cx, cy), (cx + r * 1.5, cy + r * 0.35 * (seed - 2)),
                         (cx + r * 1.5, cy + r * (0.45 + 0.35 * (seed - 2)))])
        pad = subtract(circle(cx, cy, r), notch)
        region.shadow(lambda x, y, pad=pad: pad(x - 1, y - 1.5), 0.35, 1.5, (0.02, 0.08, 0.12))
        region.fill(pad, lambda x, y, cx=cx, cy=cy, r=r: mix(PAD_LIGHT, PAD, clamp(math.hypot(
            x - cx + r * 0.3, y - cy + r * 0.3) / (r * 1.3))))
    for a in range(8):
        angle = a * math.pi / 4
        region.fill(ellipse(14 + math.cos(angle) * 2.2, 14 + math.sin(angle) * 2.2, 2.4, 2.4),
                    (0.98, 0.80, 0.88))
    region.fill(circle(14, 14, 1.6), (0.98, 0.85, 0.3))


def boulder(region):
    rock = union(ellipse(18, 23, 13, 10), ellipse(27, 26, 8, 7))
    region.shadow(lambda x, y: rock(x - 2, y - 3), 0.5, 3)
    region.fill(rock, lit(ROCK_DARK, ROCK_LIGHT, 19, 22, 13, 71, 0.25))
    region.fill(ellipse(14, 15, 7, 3.5), MOSS, lambda x, y: 0.8 * fractal(x * 3, y * 3, 120, 73, (6, 3)))
    region.fill(segment(20, 22, 25, 28, 0.5), ROCK_DARK, 0.7)


def stump(region):
    region.shadow(ellipse(22, 29, 12, 5), 0.45, 3)
    side = union(ellipse(20, 28, 10, 5), box(10, 20, 30, 28))
    region.fill(side, lambda x, y: mix(BARK_LIGHT, BARK, smoothstep(12, 30, x)))
    for dx in (-6, 0, 6):
        region.fill(segment(20 + dx, 25, 20 + dx * 1.1, 33, 0.6), (0.25, 0.16, 0.09), 0.8)
    region.fill(ellipse(20, 20, 10, 5), WOOD_END)
    for r in (7, 4.5, 2):
        region.fill(subtract(ellipse(20, 20, r, r / 2), ellipse(20, 20, r - 0.8, r / 2 - 0.5)),
                    (0.62, 0.46, 0.28))


def log(region):
    body = segment(9, 18, 31, 26, 6)
    region.shadow(lambda x, y: body(x - 2, y - 4), 0.45, 3)
    region.fill(body, lambda x, y: mix(BARK_LIGHT, BARK, clamp((y - 14 - (x - 9) * 8 / 22) / 12)))
    region.fill(ellipse(31.5, 26, 4.5, 5.5), WOOD_END)
    region.fill(subtract(ellipse(31.5, 26, 3, 3.8), ellipse(31.5, 26, 2.2, 2.9)), (0.62, 0.46, 0.28))
    region.fill(ellipse(16, 18, 4, 2), MOSS, 0.8)


def mushrooms(region):
    for cx, cy, r in ((14, 24, 6), (25, 28, 4.5), (23, 17, 3.5)):
        region.shadow(ellipse(cx + 2, cy + r * 0.9, r, r * 0.4), 0.4, 1.5)
        region.fill(segment(cx, cy, cx, cy + r * 0.9, r * 0.35), (0.93, 0.90, 0.82))
        cap = subtract(circle(cx, cy, r), ellipse(cx, cy + r * 0.7, r * 1.5, r * 0.7))
        region.fill(cap, lambda x, y, cx=cx, cy=cy, r=r: mix((0.95, 0.30, 0.22), (0.62, 0.12, 0.10),
                                                             clamp((x - cx + r) / (2.2 * r))))
        for k in range(4):
            a = math.pi * (1.15 + 0.7 * hash01(83, k, int(r * 10)))
            region.fill(circle(cx + math.cos(a) * r * 0.6, cy + math.sin(a) * r * 0.55, r * 0.14),
                        (0.98, 0.96, 0.9))


def big_tree(region):
    """A tree of 2 x 2 cells: its crown fills the top cells and leans over
    the bottom ones."""
    region.shadow(ellipse(44, 72, 17, 6), 0.45, 4)
    region.fill(union(segment(40, 44, 40, 70, 5), segment(40, 66, 33, 73, 2.5), segment(40, 66, 48, 73, 2.5)),
                lambda x, y: mix(BARK_LIGHT, BARK, smoothstep(35, 45, x)))
    canopy(region, 38, 32, 28, 101, lobes=12)


def draw():
    """The plant set as a Canvas, and its tile layout."""
    layout = tiles()
    canvas = Canvas(COLUMNS * SIDE, ROWS * SIDE)

    def region(index, cells=1):
        return Region(canvas, index % COLUMNS * SIDE, index // COLUMNS * SIDE, cells * SIDE, cells * SIDE)

    for name, paint in (("oak", oak), ("pine", pine), ("bush", bush), ("berries", lambda r: bush(r, 13, True)),
                        ("flowers", flowers), ("grass", tall_grass), ("reeds", reeds), ("lily", lily),
                        ("boulder", boulder), ("stump", stump), ("log", log), ("mushrooms", mushrooms)):
        paint(region(layout[name]))
    big_tree(region(layout["big tree"][0], 2))
    return canvas, layout
