"""Pixels, shapes, noise and PNG files for the sample's art, with Python's
standard library alone, so that the art can be drawn again on any Debian
machine.

Colours are (r, g, b) tuples of floats from 0 to 1. A Canvas keeps its
pixels premultiplied by their alpha, so that shapes are laid over each other
as a painter would. Shapes are signed distance functions: negative inside,
in pixels, which gives every edge one pixel of antialiasing."""

import math
import struct
import zlib


def clamp(value, low=0.0, high=1.0):
    return low if value < low else high if value > high else value


def mix(a, b, t):
    """The colour t of the way from a to b."""
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def smoothstep(edge0, edge1, value):
    t = clamp((value - edge0) / (edge1 - edge0))
    return t * t * (3 - 2 * t)


def hash01(*values):
    """A number in [0, 1) that depends on the integers given, the same on
    every run."""
    h = 0x811C9DC5
    for value in values:
        h = ((h ^ (value & 0xFFFFFFFF)) * 0x01000193) & 0xFFFFFFFF
        h ^= h >> 15
        h = (h * 0x2C1B3C6D) & 0xFFFFFFFF
        h ^= h >> 12
        h = (h * 0x297A2D39) & 0xFFFFFFFF
        h ^= h >> 15
    return h / 4294967296.0


def noise(x, y, cell, period, seed, cell_y=None):
    """Value noise in [0, 1) on a lattice of `cell` pixels (`cell_y` high,
    if given) that repeats every `period` pixels each way, so that a tile of
    that side meets itself seamlessly."""
    cell_y = cell_y or cell
    fx, fy = x / cell, y / cell_y
    ix, iy = math.floor(fx), math.floor(fy)
    tx, ty = fx - ix, fy - iy
    tx, ty = tx * tx * (3 - 2 * tx), ty * ty * (3 - 2 * ty)
    x0, y0 = ix % (period // cell), iy % (period // cell_y)
    x1, y1 = (ix + 1) % (period // cell), (iy + 1) % (period // cell_y)
    top = hash01(seed, x0, y0) * (1 - tx) + hash01(seed, x1, y0) * tx
    bottom = hash01(seed, x0, y1) * (1 - tx) + hash01(seed, x1, y1) * tx
    return top * (1 - ty) + bottom * ty


def fractal(x, y, period, seed, cells=(20, 10, 5)):
    """Noise of several lattices, coarse to fine, each half the weight of the
    one before; in [0, 1), repeating every `period` pixels."""
    total, weight, norm = 0.0, 1.0, 0.0
    for octave, cell in enumerate(cells):
        total += weight * noise(x, y, cell, period, seed + 7919 * octave)
        norm += weight
        weight *= 0.5
    return total / norm


# Shapes: functions of a point giving its signed distance in pixels.

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ellipse(cx, cy, rx, ry):
    scale = min(rx, ry)
    return lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1) * scale


def box(x0, y0, x1, y1, radius=0.0):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def distance(x, y):
        dx, dy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(dx, 0.0), max(dy, 0.0))
        return outside + min(max(dx, dy), 0.0) - radius
    return distance


def segment(ax, ay, bx, by, r):
    """A stroke of width 2r from a to b with round ends."""
    vx, vy = bx - ax, by - ay
    length2 = vx * vx + vy * vy or 1e-9

    def distance(x, y):
        t = clamp(((x - ax) * vx + (y - ay) * vy) / length2)
        return math.hypot(x - ax - t * vx, y - ay - t * vy) - r
    return distance


def polygon(points):
    edges = list(zip(points, points[1:] + points[:1]))

    def distance(x, y):
        nearest = float("inf")
        inside = False
        for (ax, ay), (bx, by) in edges:
            vx, vy = bx - ax, by - ay
            t = clamp(((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy or 1e-9))
            nearest = min(nearest, math.hypot(x - ax - t * vx, y - ay - t * vy))
            if (ay > y) != (by > y) and x < ax + (y - ay) * vx / (by - ay):
                inside = not inside
        return -nearest if inside else nearest
    return distance


def union(*shapes):
    return lambda x, y: min(shape(x, y) for shape in shapes)


def subtract(shape, cut):
    return lambda x, y: max(shape(x, y), -cut(x, y))


def coverage(distance):
    """How much of a pixel a shape covers, from its distance at the pixel's
    centre."""
    return clamp(0.5 - distance)


class Canvas:
    """A picture of premultiplied RGBA floats, clear when made."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]

    def blend(self, x, y, colour, alpha):
        """Lays the colour with the given alpha over the pixel."""
        if alpha <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        pixel = self.pixels[y * self.width + x]
        keep = 1 - alpha
        pixel[0] = colour[0] * alpha + pixel[0] * keep
        pixel[1] = colour[1] * alpha + pixel[1] * keep
        pixel[2] = colour[2] * alpha + pixel[2] * keep
        pixel[3] = alpha + pixel[3] * keep

    def fill(self, shape, colour, area, alpha=1.0):
        """Fills the shape within area = (x0, y0, x1, y1). The colour is a
        tuple or a function of the pixel's centre giving one; alpha may be a
        function too, which multiplies the shape's coverage."""
        x0, y0, x1, y1 = (int(math.floor(v)) for v in area)
        for y in range(max(y0, 0), min(y1 + 1, self.height)):
            for x in range(max(x0, 0), min(x1 + 1, self.width)):
                px, py = x + 0.5, y + 0.5
                cover = coverage(shape(px, py))
                if cover <= 0:
                    continue
                a = alpha(px, py) if callable(alpha) else alpha
                c = colour(px, py) if callable(colour) else colour
                self.blend(x, y, c, cover * a)

    def shadow(self, shape, area, strength, softness, colour=(0.04, 0.09, 0.02)):
        """A soft shadow: dark under the shape, fading out over `softness`
        pixels on both sides of its edge."""
        x0, y0, x1, y1 = (int(math.floor(v)) for v in area)
        for y in range(max(y0, 0), min(y1 + 1, self.height)):
            for x in range(max(x0, 0), min(x1 + 1, self.width)):
                d = shape(x + 0.5, y + 0.5)
                self.blend(x, y, colour, strength * (1 - smoothstep(-softness, softness, d)))

    def rgba(self, x, y):
        """The pixel as straight (not premultiplied) 8-bit channels."""
        r, g, b, a = self.pixels[y * self.width + x]
        if a <= 0:
            return (0, 0, 0, 0)
        return tuple(int(round(clamp(v / a) * 255)) for v in (r, g, b)) + (int(round(clamp(a) * 255)),)


class Region:
    """A rectangle of a Canvas drawn in its own coordinates: shapes, colours
    and alphas take points relative to its top-left corner, and nothing is
    drawn outside it, so that a tile's art never reaches into the next."""

    def __init__(self, canvas, left, top, width, height):
        self.canvas, self.left, self.top = canvas, left, top
        self.width, self.height = width, height

    def _local(self, function):
        if not callable(function):
            return function
        return lambda x, y: function(x - self.left, y - self.top)

    def fill(self, shape, colour, alpha=1.0):
        self.canvas.fill(self._local(shape), self._local(colour), self._area(), self._local(alpha))

    def shadow(self, shape, strength, softness, colour=(0.04, 0.09, 0.02)):
        self.canvas.shadow(self._local(shape), self._area(), strength, softness, colour)

    def _area(self):
        return (self.left, self.top, self.left + self.width - 1, self.top + self.height - 1)


def rgba_rows(canvas):
    """The canvas as rows of straight RGBA bytes."""
    return [bytes(v for x in range(canvas.width) for v in canvas.rgba(x, y)) for y in range(canvas.height)]


def rgb_rows(canvas):
    """An opaque canvas as rows of RGB bytes."""
    return [bytes(v for x in range(canvas.width) for v in canvas.rgba(x, y)[:3]) for y in range(canvas.height)]


def keyed_rows(canvas, key, outline, side):
    """The canvas made opaque on the background colour `key`: a pixel at
    least half covered keeps its colour, fully opaque, and every other pixel
    becomes the key, so that no blend of art and key is left at the edges
    for the key to miss. Pixels of art beside the key are darkened by
    `outline` (0 to 1), the dark rim of sprite art; only the key within the
    same tile of `side` pixels counts, so that art running on into the next
    tile has no rim where the two meet."""
    width, height = canvas.width, canvas.height
    solid = [[canvas.pixels[y * width + x][3] >= 0.5 for x in range(width)] for y in range(height)]
    key_bytes = bytes(round(v * 255) for v in key)
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            if not solid[y][x]:
                row += key_bytes
                continue
            r, g, b, a = canvas.pixels[y * width + x]
            colour = (r / a, g / a, b / a)
            edge = any(nx // side == x // side and ny // side == y // side and 0 <= nx < width
                       and 0 <= ny < height and not solid[ny][nx]
                       for nx, ny in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)))
            if edge:
                colour = tuple(v * (1 - outline) for v in colour)
            row += bytes(round(clamp(v) * 255) for v in colour)
        rows.append(bytes(row))
    return rows


def write_png(path, width, height, rows, alpha):
    """Writes 8-bit RGB or RGBA rows (each a bytes object) as a PNG file with
    no metadata, so that the same picture always gives the same file."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    colour_type = 6 if alpha else 2
    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    raw = b"".join(b"\x00" + row for row in rows)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", header))
        out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(chunk(b"IEND", b""))
