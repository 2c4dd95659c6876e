#!/usr/bin/python3
"""Draws the binary files of tests/data/style-site: its images and its block-letter font.

The site's text files are written by hand; this script makes the pictures (PNG and WebP, in
a few flat colours so that they stay small) and a font of square blocks that makes it plain
in a screenshot whether the style sheet's @font-face was applied. Needs python3-pil and
python3-fonttools (the font's WOFF2 also python3-brotli); run it from the repository root.
"""
import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen
from PIL import Image, ImageDraw

SITE = "tests/data/style-site"

# Letters of 5 x 7 cells, top row first.
LETTERS = {
    "A": ".###.|#...#|#...#|#####|#...#|#...#|#...#",
    "B": "####.|#...#|#...#|####.|#...#|#...#|####.",
    "C": ".####|#....|#....|#....|#....|#....|.####",
    "D": "####.|#...#|#...#|#...#|#...#|#...#|####.",
    "E": "#####|#....|#....|####.|#....|#....|#####",
    "F": "#####|#....|#....|####.|#....|#....|#....",
    "G": ".####|#....|#....|#.###|#...#|#...#|.###.",
    "H": "#...#|#...#|#...#|#####|#...#|#...#|#...#",
    "I": "#####|..#..|..#..|..#..|..#..|..#..|#####",
    "J": "..###|...#.|...#.|...#.|...#.|#..#.|.##..",
    "K": "#...#|#..#.|#.#..|##...|#.#..|#..#.|#...#",
    "L": "#....|#....|#....|#....|#....|#....|#####",
    "M": "#...#|##.##|#.#.#|#.#.#|#...#|#...#|#...#",
    "N": "#...#|##..#|#.#.#|#..##|#...#|#...#|#...#",
    "O": ".###.|#...#|#...#|#...#|#...#|#...#|.###.",
    "P": "####.|#...#|#...#|####.|#....|#....|#....",
    "Q": ".###.|#...#|#...#|#...#|#.#.#|#..#.|.##.#",
    "R": "####.|#...#|#...#|####.|#.#..|#..#.|#...#",
    "S": ".####|#....|#....|.###.|....#|....#|####.",
    "T": "#####|..#..|..#..|..#..|..#..|..#..|..#..",
    "U": "#...#|#...#|#...#|#...#|#...#|#...#|.###.",
    "V": "#...#|#...#|#...#|#...#|#...#|.#.#.|..#..",
    "W": "#...#|#...#|#...#|#.#.#|#.#.#|##.##|#...#",
    "X": "#...#|#...#|.#.#.|..#..|.#.#.|#...#|#...#",
    "Y": "#...#|#...#|.#.#.|..#..|..#..|..#..|..#..",
    "Z": "#####|....#|...#.|..#..|.#...|#....|#####",
    "0": ".###.|#...#|#..##|#.#.#|##..#|#...#|.###.",
    "1": "..#..|.##..|..#..|..#..|..#..|..#..|.###.",
    "2": ".###.|#...#|....#|...#.|..#..|.#...|#####",
    "3": "####.|....#|....#|.###.|....#|....#|####.",
    "-": ".....|.....|.....|.###.|.....|.....|.....",
    "'": "..#..|..#..|.....|.....|.....|.....|.....",
    ".": ".....|.....|.....|.....|.....|.##..|.##..",
}
CELL = 100  # font units per cell; 1000 units to the em


def glyph(rows):
    pen = TTGlyphPen(None)
    for r, row in enumerate(rows.split("|")):
        for c, mark in enumerate(row):
            if mark != "#":
                continue
            x, y = 50 + c * CELL, (6 - r) * CELL
            pen.moveTo((x, y))
            pen.lineTo((x, y + CELL))
            pen.lineTo((x + CELL, y + CELL))
            pen.lineTo((x + CELL, y))
            pen.closePath()
    return pen.glyph()


def make_font():
    names = [".notdef", "space"] + [f"g{ord(ch)}" for ch in LETTERS]
    glyphs = {".notdef": glyph("#####|#...#|#...#|#...#|#...#|#...#|#####"),
              "space": TTGlyphPen(None).glyph()}
    cmap = {32: "space"}
    for ch, rows in LETTERS.items():
        glyphs[f"g{ord(ch)}"] = glyph(rows)
        cmap[ord(ch)] = f"g{ord(ch)}"
        if ch.isalpha():
            cmap[ord(ch.lower())] = f"g{ord(ch)}"
    builder = FontBuilder(1000, isTTF=True)
    builder.setupGlyphOrder(names)
    builder.setupCharacterMap(cmap)
    builder.setupGlyf(glyphs)
    builder.setupHorizontalMetrics({n: (600, 0) for n in names})
    builder.setupHorizontalHeader(ascent=800, descent=-200)
    builder.setupNameTable({"familyName": "Style Site Blocks", "styleName": "Regular"})
    builder.setupOS2(sTypoAscender=800, sTypoDescender=-200, usWinAscent=800, usWinDescent=200)
    builder.setupPost()
    for flavor in ("woff", "woff2"):
        builder.font.flavor = flavor
        builder.save(f"{SITE}/fonts/blocks.{flavor}")


def picture(size, sky, sun, hill):
    """A landscape: sky, a sun and two hills."""
    w, h = size
    image = Image.new("RGB", size, sky)
    draw = ImageDraw.Draw(image)
    draw.ellipse((w * 0.65, h * 0.12, w * 0.85, h * 0.12 + w * 0.2), fill=sun)
    draw.ellipse((-w * 0.3, h * 0.55, w * 0.7, h * 1.6), fill=hill)
    draw.ellipse((w * 0.35, h * 0.65, w * 1.4, h * 1.8), fill=tuple(c // 2 for c in hill))
    return image


def tile(size, background, mark, shape):
    image = Image.new("RGB", size, background)
    draw = ImageDraw.Draw(image)
    w, h = size
    if shape == "dot":
        draw.ellipse((w // 4, h // 4, 3 * w // 4, 3 * h // 4), fill=mark)
    elif shape == "stripe":
        draw.polygon([(0, 0), (w // 2, 0), (w, h), (w // 2, h)], fill=mark)
    else:
        draw.rectangle((0, h // 2, w, h), fill=mark)
    return image


def logo(size):
    image = Image.new("RGBA", size, (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    w, h = size
    draw.rounded_rectangle((0, 0, w - 1, h - 1), radius=h // 4, fill=(232, 93, 4))
    draw.ellipse((h // 5, h // 5, h - h // 5, h - h // 5), fill=(255, 209, 102))
    draw.rectangle((h, h // 3, w - h // 3, h // 3 + h // 6), fill=(255, 255, 255))
    draw.rectangle((h, h // 2 + h // 12, w - h, h // 2 + h // 12 + h // 6), fill=(255, 255, 255))
    return image


def make_images():
    img = f"{SITE}/img"
    os.makedirs(img, exist_ok=True)
    picture((400, 225), (142, 202, 230), (255, 183, 3), (100, 170, 60)).save(f"{img}/p.png")
    picture((480, 270), (142, 202, 230), (255, 183, 3), (100, 170, 60)).save(f"{img}/p-480.png")
    picture((800, 450), (142, 202, 230), (255, 183, 3), (100, 170, 60)).save(f"{img}/p-800.png")
    picture((400, 225), (33, 158, 188), (255, 209, 102), (76, 149, 108)).save(
        f"{img}/p-1x.webp", lossless=True)
    picture((800, 450), (33, 158, 188), (255, 209, 102), (76, 149, 108)).save(
        f"{img}/p-2x.webp", lossless=True)
    picture((320, 180), (40, 40, 70), (230, 230, 230), (70, 60, 110)).save(f"{img}/poster.png")
    picture((200, 120), (250, 220, 180), (220, 80, 60), (120, 90, 60)).save(f"{img}/bread.png")
    logo((160, 48)).save(f"{img}/logo.png")
    logo((32, 32)).save(f"{img}/favicon.png")
    logo((180, 180)).save(f"{img}/touch-icon.png")
    tile((16, 16), (253, 246, 227), (245, 236, 210), "dot").save(f"{img}/paper.png")
    tile((24, 24), (38, 70, 83), (42, 82, 98), "stripe").save(f"{img}/stripe.png")
    tile((12, 12), (255, 255, 255), (231, 111, 81), "dot").save(f"{img}/dots.png")
    tile((8, 64), (38, 70, 83), (29, 53, 63), "band").save(f"{img}/header.png")
    tile((8, 8), (255, 255, 255), (0, 0, 0), "dot").save(f"{img}/print.png")


if __name__ == "__main__":
    if not os.path.isdir(SITE):
        sys.exit(f"run from the repository root: {SITE} not found")
    make_images()
    make_font()
