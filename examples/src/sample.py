"""The sample map, sample.map: a village by a lake, 40 x 30 cells. The
bottom layer is ground: grass, the lake and a road, their edges from the
corner tiles of the ground set, and a ploughed field. The top layer holds
the plants and the village. The top layer's pass flags mark water, trees,
rocks, buildings and fences impassable; the jetty crosses the water."""

import math

from raster import hash01

WIDTH, HEIGHT = 40, 30
# The plants last: the editor's palette shows the set loaded last.
SETS = ["tiles/ground.png", "tiles/village.png", "tiles/plants.png"]
GROUND, VILLAGE, PLANTS = range(3)

# The editor opens a map at its top-left corner: the lake and the village
# lie there.
LAKE = (14.0, 5.5, 6.5, 4.0)  # centre and radii, in cells
JETTY_X, JETTY_ROW, JETTY_LENGTH = 5, 6, 5  # from the end of the path out into the lake
ROAD = [(0, 13), (10, 13), (20, 14), (30, 14), (40, 13)]
LANE = [(10, 13), (11, 20), (13, 30)]
LAKE_PATH = [(10, 13), (6, 10), (JETTY_X, JETTY_ROW + 0.5)]
FIELD = (17, 16, 28, 23)  # the fence's cells, left, top, right, bottom
COTTAGES = [(2, 10), (14, 15)]
WELL, SIGNPOST = (5, 11), (8, 14)
BIG_TREES = [(1, 19), (4, 22), (0, 25), (7, 26), (3, 27), (25, 2), (30, 4), (35, 1), (37, 7), (33, 26),
             (36, 20)]

def distance_to_line(x, y, points):
    best = float("inf")
    for (ax, ay), (bx, by) in zip(points, points[1:]):
        vx, vy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
        best = min(best, math.hypot(x - ax - t * vx, y - ay - t * vy))
    return best


def water_corner(x, y):
    cx, cy, rx, ry = LAKE
    wobble = (hash01(3, x, y) - 0.5) * 0.25
    return math.hypot((x - cx) / rx, (y - cy) / ry) + wobble < 1.0


def corner_grids():
    """Which corners of the cells are water, and which road; a road corner
    keeps one corner clear of the water, so that no cell needs both."""
    water = [[water_corner(x, y) for x in range(WIDTH + 1)] for y in range(HEIGHT + 1)]

    def near_water(x, y):
        return any(water[j][i] for j in range(max(y - 1, 0), min(y + 2, HEIGHT + 1))
                   for i in range(max(x - 1, 0), min(x + 2, WIDTH + 1)))
    road = [[not near_water(x, y) and min(distance_to_line(x, y, line) for line in (ROAD, LANE, LAKE_PATH)) <= 0.8
             for x in range(WIDTH + 1)] for y in range(HEIGHT + 1)]
    return water, road


def mask(grid, x, y):
    return grid[y][x] | grid[y][x + 1] << 1 | grid[y + 1][x] << 2 | grid[y + 1][x + 1] << 3


class MapBuilder:
    def __init__(self):
        self.bottom = [[(-1, -1)] * WIDTH for _ in range(HEIGHT)]
        self.top = [[(-1, -1)] * WIDTH for _ in range(HEIGHT)]
        self.blocked = [[False] * WIDTH for _ in range(HEIGHT)]
        self.grass = [[False] * WIDTH for _ in range(HEIGHT)]

    def free(self, x, y):
        return 0 <= x < WIDTH and 0 <= y < HEIGHT and self.top[y][x] == (-1, -1) and not self.blocked[y][x]

    def place(self, x, y, tile_set, tile, blocks=True):
        self.top[y][x] = (tile_set, tile)
        self.blocked[y][x] = self.blocked[y][x] or blocks

    def records(self):
        lines = []
        for layer, passes in ((self.top, True), (self.bottom, False)):
            for y in range(HEIGHT):
                for x in range(WIDTH):
                    tile_set, tile = layer[y][x]
                    passable = passes and not self.blocked[y][x]
                    lines.append("%d %d %d" % (tile_set, tile, passable))
        return lines


def ground(builder, ground_tiles, water, road):
    plain, tufts, flowered, stony = ground_tiles["grass"]
    left, top, right, bottom = FIELD
    for y in range(HEIGHT):
        for x in range(WIDTH):
            wet, paved = mask(water, x, y), mask(road, x, y)
            if wet:
                builder.bottom[y][x] = (GROUND, ground_tiles["water"][wet])
                # A cell mostly of water is not walked on.
                builder.blocked[y][x] = bin(wet).count("1") >= 2
            elif paved:
                builder.bottom[y][x] = (GROUND, ground_tiles["path"][paved])
            elif left < x < right and top < y < bottom:
                builder.bottom[y][x] = (GROUND, ground_tiles["soil"][y % 2])
            else:
                roll = hash01(5, x, y)
                tile = (plain if roll < 0.65 else tufts if roll < 0.88 else flowered if roll < 0.93
                        else stony if roll < 0.97 else ground_tiles["meadow"])
                builder.bottom[y][x] = (GROUND, tile)
                builder.grass[y][x] = True


def village(builder, village_tiles):
    for cx, cy in COTTAGES:
        for k, tile in enumerate(village_tiles["cottage"]):
            builder.place(cx + k % 2, cy + k // 2, VILLAGE, tile)
    (cx, cy), (sx, sy) = COTTAGES
    builder.place(*WELL, VILLAGE, village_tiles["well"])
    builder.place(*SIGNPOST, VILLAGE, village_tiles["signpost"])
    builder.place(cx - 1, cy + 1, VILLAGE, village_tiles["barrel"])
    builder.place(cx - 2, cy + 1, VILLAGE, village_tiles["crates"])
    builder.place(cx - 1, cy, VILLAGE, village_tiles["barrel"])
    builder.place(sx + 2, sy + 1, VILLAGE, village_tiles["crates"])
    for x in range(JETTY_X, JETTY_X + JETTY_LENGTH):
        builder.place(x, JETTY_ROW, VILLAGE, village_tiles["jetty"], blocks=False)
        builder.blocked[JETTY_ROW][x] = False

    left, top, right, bottom = FIELD
    for x in range(left, right + 1):
        for y in (top, bottom):
            corner = x in (left, right)
            name = ("fence %s %s" % ("top" if y == top else "bottom", "left" if x == left else "right")
                    if corner else "fence across")
            builder.place(x, y, VILLAGE, village_tiles[name])
    for y in range(top + 1, bottom):
        for x in (left, right):
            builder.place(x, y, VILLAGE, village_tiles["fence down"])
    builder.place(right - 2, top + 1, VILLAGE, village_tiles["haystack"])
    builder.place(right - 1, top + 1, VILLAGE, village_tiles["haystack"])


def lake_shore(builder, plant_tiles, water):
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if builder.top[y][x] != (-1, -1):
                continue
            wet = bin(mask(water, x, y)).count("1")
            roll = hash01(7, x, y)
            if 1 <= wet <= 2 and roll < 0.35:
                builder.place(x, y, PLANTS, plant_tiles["reeds"], blocks=builder.blocked[y][x])
            elif wet == 4 and roll < 0.12:
                builder.place(x, y, PLANTS, plant_tiles["lily"], blocks=True)


def woods(builder, plant_tiles):
    """Trees thick in the south-west and north-east, and along the north
    and east edges, thinning towards the village; bushes, flowers and
    stones between."""
    big = plant_tiles["big tree"]
    for x, y in BIG_TREES:
        if all(builder.free(x + k % 2, y + k // 2) and builder.grass[y + k // 2][x + k % 2] for k in range(4)):
            for k, tile in enumerate(big):
                builder.place(x + k % 2, y + k // 2, PLANTS, tile)
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if not builder.free(x, y) or not builder.grass[y][x]:
                continue
            density = max(0.03, 0.95 - 0.08 * math.hypot(x - 1, y - 29), 0.85 - 0.08 * math.hypot(x - 36, y - 3),
                          0.5 - 0.2 * y, 0.6 - 0.2 * (WIDTH - 1 - x))
            roll = hash01(11, x, y)
            if roll < density * 0.85:
                builder.place(x, y, PLANTS, plant_tiles["pine" if hash01(13, x, y) < 0.4 else "oak"])
            elif roll < density * 0.95 + 0.03:
                name = ["bush", "berries", "flowers", "grass", "boulder", "stump", "log", "mushrooms"][
                    int(hash01(17, x, y) * 8)]
                builder.place(x, y, PLANTS, plant_tiles[name], blocks=name in ("bush", "berries", "boulder",
                                                                                 "stump", "log"))



def build(ground_tiles, plant_tiles, village_tiles):
    """The map file's text."""
    water, road = corner_grids()
    builder = MapBuilder()
    ground(builder, ground_tiles, water, road)
    village(builder, village_tiles)
    lake_shore(builder, plant_tiles, water)
    woods(builder, plant_tiles)
    header = [str(len(SETS))] + SETS + ["%d %d" % (WIDTH, HEIGHT)]
    return "\n".join(header + builder.records()) + "\n"
