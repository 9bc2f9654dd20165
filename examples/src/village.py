"""The village set, tiles/village.png: a cottage, fences, a well, barrels,
crates, a signpost, a haystack and the boards of a jetty, drawn as sprite
art with hard edges and a dark rim on a background of one colour, KEY. The
image is opaque and its four corners have that colour, so the editor cuts it
away wherever it reaches the edge of the image, as it does with old sprite
sheets.

The cottage takes 2 x 2 cells in the first two columns; the fence pieces
join at the middle of each side of a cell, so they can be laid around a
field."""

import math

from raster import Canvas, Region, box, circle, clamp, ellipse, hash01, mix, polygon, segment, subtract, union

SIDE = 40
COLUMNS, ROWS = 8, 2
KEY = (1.0, 0.0, 1.0)

WOOD = (0.60, 0.42, 0.24)
WOOD_LIGHT = (0.78, 0.60, 0.38)
WOOD_DARK = (0.36, 0.24, 0.13)
ROOF = (0.72, 0.28, 0.20)
ROOF_DARK = (0.50, 0.17, 0.13)
PLASTER = (0.93, 0.88, 0.76)
STONE = (0.62, 0.62, 0.60)
STONE_DARK = (0.40, 0.40, 0.40)
GLASS = (0.45, 0.68, 0.85)
STRAW = (0.90, 0.76, 0.36)
STRAW_DARK = (0.70, 0.55, 0.22)
IRON = (0.30, 0.30, 0.33)


def tiles():
    """Tile indices by name."""
    layout = {"cottage": [0, 1, COLUMNS, COLUMNS + 1]}
    # No piece with a rail on its right is followed by one with a rail on
    # its left: the key between their rails would be shut in.
    for k, name in enumerate(["fence top right", "fence bottom right", "fence across", "fence top left",
                              "fence bottom left", "fence down"]):
        layout[name] = 2 + k
    for k, name in enumerate(["well", "barrel", "crates", "signpost", "haystack", "jetty"]):
        layout[name] = COLUMNS + 2 + k
    return layout


def grain(x, y, seed):
    """Wood grain: a shade from -1 to 1 along the boards' length."""
    return math.sin(y * 1.7 + hash01(seed, int(x) // 4) * 6) * 0.5


def boards_across(dark, light, seed):
    return lambda x, y: mix(dark, light, clamp(0.6 + 0.3 * grain(y, x, seed) - (0.5 if int(y) % 6 == 0 else 0)))


def cottage(region):
    roof = polygon([(2, 40), (14, 4), (66, 4), (78, 40)])
    wall = box(8, 38, 72, 76)

    def plaster(x, y):
        beam = int(x) in (8, 9, 39, 40, 70, 71) or int(y) in (38, 39, 56, 57)
        return WOOD_DARK if beam else mix(PLASTER, (0.83, 0.77, 0.64), hash01(5, int(x), int(y)) * 0.5)
    region.fill(wall, plaster)

    def tiles_of_roof(x, y):
        row = int(y - 4) // 6
        seam = (int(y) - 4) % 6 == 5 or (int(x) + row * 4) % 8 == 0
        shade = mix(ROOF, ROOF_DARK, clamp((x - 10) / 120 + hash01(7, int(x + row * 4) // 8, row) * 0.3))
        return mix(shade, ROOF_DARK, 0.7) if seam else shade
    region.fill(box(54, 0, 62, 14), lambda x, y: STONE_DARK if int(y) % 4 == 0 else STONE)
    region.fill(roof, tiles_of_roof)
    region.fill(box(2, 38, 78, 41), ROOF_DARK)
    region.fill(box(34, 56, 46, 76, 1), lambda x, y: WOOD_DARK if int(x) % 4 == 0 else WOOD)
    region.fill(circle(43, 67, 0.9), (0.9, 0.8, 0.3))
    for left in (15, 52):
        region.fill(box(left, 44, left + 13, 53), WOOD_DARK)
        region.fill(box(left + 1, 45, left + 12, 52), lambda x, y: mix(GLASS, (0.85, 0.93, 0.98),
                                                                       clamp((y - 45 - (x - 15) * 0.2) / 7)))
        region.fill(union(box(left + 6, 45, left + 7, 52), box(left + 1, 48, left + 12, 49)), WOOD_DARK)
        region.fill(box(left - 1, 53, left + 14, 56), lambda x, y: (0.35, 0.6, 0.25) if int(x) % 3 else
                    (0.9, 0.4, 0.5))


def rail_colour(x, y):
    return mix(WOOD_LIGHT, WOOD, hash01(11, int(x) // 3, int(y) // 3) * 0.7)


def post(region):
    region.fill(box(16, 12, 24, 30, 1.5), lambda x, y: mix(WOOD_LIGHT, WOOD_DARK, clamp((x - 16) / 9)))
    region.fill(box(16, 12, 24, 15, 1.5), WOOD_LIGHT)


def fence(region, left, right, up, down):
    """A post in the middle of the cell with rails to the sides named."""
    if left or right:
        x0, x1 = (0 if left else 20), (40 if right else 20)
        region.fill(union(box(x0, 15, x1, 18.5), box(x0, 23, x1, 26.5)), rail_colour)
    if up or down:
        y0, y1 = (0 if up else 20), (40 if down else 20)
        region.fill(box(18, y0, 22, y1), rail_colour)
    post(region)


def well(region):
    region.fill(ellipse(20, 27, 15, 10), lambda x, y: STONE_DARK if (int(x) + 3 * (int(y) // 4)) % 7 == 0
                or int(y) % 4 == 0 else mix(STONE, (0.78, 0.78, 0.75), hash01(13, int(x), int(y))))
    region.fill(ellipse(20, 25, 10, 6), (0.10, 0.18, 0.28))
    region.fill(ellipse(22, 26, 4, 2), (0.22, 0.38, 0.52))
    # The posts stop short of the rim, leaving the key under the roof a way
    # out to the edge.
    region.fill(union(box(6, 6, 9, 18), box(31, 6, 34, 18)), WOOD)
    region.fill(box(5, 8, 35, 11), WOOD_DARK)
    region.fill(segment(20, 11, 20, 20, 0.6), IRON)
    region.fill(box(16, 18, 24, 24, 1), lambda x, y: WOOD_DARK if int(y) in (19, 22) else WOOD_LIGHT)
    region.fill(polygon([(2, 9), (20, 1), (38, 9)]), lambda x, y: ROOF_DARK if int(y) % 3 == 0 else ROOF)


def barrel(region):
    region.fill(box(9, 7, 31, 35, 5),
                lambda x, y: mix(WOOD_LIGHT, WOOD_DARK, clamp(abs(x - 17) / 14 + (0.3 if int(x) % 5 == 0 else 0))))
    for y in (12, 29):
        region.fill(box(9, y, 31, y + 2.5), IRON)
    region.fill(ellipse(20, 8, 10, 3), mix(WOOD, WOOD_DARK, 0.3))


def crate(region, left, top, size, seed):
    region.fill(box(left, top, left + size, top + size), boards_across(WOOD, WOOD_LIGHT, seed))
    frame = subtract(box(left, top, left + size, top + size), box(left + 3, top + 3, left + size - 3, top + size - 3))
    region.fill(union(frame, segment(left + 2, top + 2, left + size - 2, top + size - 2, 1.6)), WOOD_DARK)


def crates(region):
    crate(region, 4, 16, 19, 17)
    crate(region, 20, 20, 16, 19)
    crate(region, 10, 3, 15, 23)


def signpost(region):
    region.fill(box(18, 14, 22, 36), WOOD_DARK)
    region.fill(polygon([(4, 8), (30, 8), (37, 14), (30, 20), (4, 20)]), boards_across(WOOD, WOOD_LIGHT, 29))
    region.fill(union(box(9, 12, 12, 16), box(14, 12, 24, 13), box(14, 15, 21, 16)), WOOD_DARK)


def haystack(region):
    stack = union(ellipse(20, 24, 16, 12), circle(20, 16, 10))

    def straw(x, y):
        stroke = hash01(31, int(x + (y // 3) * 2) // 2, int(y) // 3) > 0.7
        return mix(STRAW, STRAW_DARK, clamp((x + y - 30) / 40) + (0.35 if stroke else 0))
    region.fill(stack, straw)


def jetty(region):
    """Boards across the cell, from edge to edge, so that a row of them
    makes a jetty."""
    region.fill(box(0, 7, 40, 33), lambda x, y: WOOD_DARK if int(x) % 8 == 7 else
                mix(WOOD, WOOD_LIGHT, 0.5 + 0.4 * grain(x, y, 37)))
    for x in (4, 36):
        region.fill(circle(x, 10, 1.3), IRON)
        region.fill(circle(x, 30, 1.3), IRON)


def draw():
    """The village set as a Canvas with clear background, and its tile
    layout; keyed_rows() lays it on KEY."""
    layout = tiles()
    canvas = Canvas(COLUMNS * SIDE, ROWS * SIDE)

    def region(index, cells=1):
        return Region(canvas, index % COLUMNS * SIDE, index // COLUMNS * SIDE, cells * SIDE, cells * SIDE)

    cottage(region(layout["cottage"][0], 2))
    fence(region(layout["fence across"]), True, True, False, False)
    fence(region(layout["fence down"]), False, False, True, True)
    fence(region(layout["fence top left"]), False, True, False, True)
    fence(region(layout["fence top right"]), True, False, False, True)
    fence(region(layout["fence bottom left"]), False, True, True, False)
    fence(region(layout["fence bottom right"]), True, False, True, False)
    for name, paint in (("well", well), ("barrel", barrel), ("crates", crates), ("signpost", signpost),
                        ("haystack", haystack), ("jetty", jetty)):
        paint(region(layout[name]))
    return canvas, layout
