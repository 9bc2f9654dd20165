#!/usr/bin/env python3
"""Draws the sample's three tile sets into examples/tiles/ and writes
examples/sample.map, with Python's standard library alone. Every run gives
the same bytes, so the files are committed and only drawn again when this
art changes:

    python3 examples/src/draw.py

tiles/ground.png is opaque; tiles/plants.png has transparency with soft
edges; tiles/village.png is opaque on a background colour that the editor
cuts away. They show the three ways the editor takes a tile set's image."""

import os
import sys

sys.dont_write_bytecode = True

import ground  # noqa: E402
import plants  # noqa: E402
import sample  # noqa: E402
import village  # noqa: E402
from raster import keyed_rows, rgb_rows, rgba_rows, write_png  # noqa: E402

EXAMPLES = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def key_reaches_everywhere(rows, width, height, key):
    """Whether every pixel of the key colour joins the image's edge through
    pixels of that colour, so that the editor cuts all of the background."""
    def is_key(x, y):
        return rows[y][3 * x:3 * x + 3] == key
    seen = set()
    todo = [(x, y) for x in range(width) for y in (0, height - 1)]
    todo += [(x, y) for y in range(height) for x in (0, width - 1)]
    while todo:
        x, y = todo.pop()
        if (x, y) in seen or not (0 <= x < width and 0 <= y < height) or not is_key(x, y):
            continue
        seen.add((x, y))
        todo += [(x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)]
    return all((x, y) in seen for y in range(height) for x in range(width) if is_key(x, y))


def main():
    os.makedirs(os.path.join(EXAMPLES, "tiles"), exist_ok=True)

    canvas, ground_tiles = ground.draw()
    write_png(os.path.join(EXAMPLES, "tiles", "ground.png"), canvas.width, canvas.height, rgb_rows(canvas),
              alpha=False)

    canvas, plant_tiles = plants.draw()
    write_png(os.path.join(EXAMPLES, "tiles", "plants.png"), canvas.width, canvas.height, rgba_rows(canvas),
              alpha=True)

    canvas, village_tiles = village.draw()
    rows = keyed_rows(canvas, village.KEY, 0.55, village.SIDE)
    key = bytes(round(v * 255) for v in village.KEY)
    if not key_reaches_everywhere(rows, canvas.width, canvas.height, key):
        sys.exit("draw.py: some of the village set's background is shut in by its art and would not be cut")
    write_png(os.path.join(EXAMPLES, "tiles", "village.png"), canvas.width, canvas.height, rows, alpha=False)

    with open(os.path.join(EXAMPLES, "sample.map"), "w", newline="\n") as out:
        out.write(sample.build(ground_tiles, plant_tiles, village_tiles))


if __name__ == "__main__":
    main()
