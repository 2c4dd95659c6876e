#!/usr/bin/python3
"""Draws the art of the shipped skins and the program's icon.

Writes into data/Skins/<skin>/ every image a skin provides (tool-button glyphs,
the busy animation, the bar image, the report page images) and the PNG icons
beside data/icons/quarlo.svg. The output is the same bytes on every run, and it
is committed, so building the program does not need PIL.

    scripts/make-skins.py [data folder]
"""

import math
import sys

sys.dont_write_bytecode = True  # keep the source tree free of caches

from pathlib import Path  # noqa: E402

from PIL import Image, ImageDraw  # noqa: E402

from skin_glyphs import GLYPHS, SUPERSAMPLE, Pen, globe, page  # noqa: E402

# The main window's colour (the application object's theme colour at more than
# 256 colours). Glyph backgrounds use it in every skin, because the window colour
# does not change with the skin; the bottom-left pixel of a glyph keeps it, so a
# front end that keys transparency on that pixel shows a clean button.
WINDOW = "#003366"
MAGENTA = (255, 0, 255)

PALETTES = {
    "Default": {
        "face": WINDOW, "ink": "#dcebfa", "paper": "#f4f8fc", "shade": "#0b1e33",
        "fold": "#a9c4de", "accent": "#4fa3e0", "go": "#3dbb5a", "halt": "#d9453a",
        "arrow": "#ffd24a", "folder": "#f2c45a", "folderback": "#c9962e", "box": "#c9a46a",
        "boxlid": "#e0c088", "sea": "#2f7cc4", "roof": "#d9653a",
        "spinner": "#8fd0ff", "bar": ("#0b3d6e", "#2f7cc4", "#8fd0ff"),
        "pageTop": "#103662", "pageBottom": "#04162c", "pageGlow": "#1d4f86",
    },
    "Ember": {
        "face": WINDOW, "ink": "#ffe9cc", "paper": "#fff6ea", "shade": "#2a1408",
        "fold": "#e3b98a", "accent": "#f08a24", "go": "#9bcf3a", "halt": "#e0483c",
        "arrow": "#ffb000", "folder": "#f5a540", "folderback": "#b86e22", "box": "#b9835a",
        "boxlid": "#d9a877", "sea": "#c25a1e", "roof": "#8c3a1e",
        "spinner": "#ffb347", "bar": ("#4a1e08", "#c25a1e", "#ffc46b"),
        "pageTop": "#3a2216", "pageBottom": "#140a06", "pageGlow": "#5a3218",
    },
}


def rgb(colour):
    return Image.new("RGB", (1, 1), colour).getpixel((0, 0))


def supersampled(size, background, mode="RGB"):
    w, h = size
    return Image.new(mode, (w * SUPERSAMPLE, h * SUPERSAMPLE), background)


def downsample(image):
    return image.reduce(SUPERSAMPLE)


def check_no_magenta(image, name):
    if MAGENTA in [c for _, c in image.convert("RGB").getcolors(1 << 16)]:
        sys.exit(f"error: {name} contains pure magenta")


def write_glyphs(folder, p):
    for name, draw in GLYPHS.items():
        image = supersampled((24, 24), p["face"])
        draw(Pen(image), p)
        glyph = downsample(image)
        # The corner pixel is the transparency key: it must be the face colour.
        glyph.putpixel((0, 23), rgb(p["face"]))
        check_no_magenta(glyph, name)
        glyph.save(folder / name, "BMP")


def shared_palette(frames, colours):
    strip = Image.new("RGB", (frames[0].width, frames[0].height * len(frames)))
    for i, frame in enumerate(frames):
        strip.paste(frame, (0, i * frame.height))
    return strip.quantize(colors=colours, method=Image.Quantize.MEDIANCUT)


def write_animation(folder, p):
    """A ring of dots with a bright head that goes round once in ten frames."""
    count = 10
    spot, dim = rgb(p["spinner"]), rgb(p["face"])
    frames = []
    for step in range(count):
        image = supersampled((32, 32), p["face"])
        pen = Pen(image, units=32)
        for dot in range(count):
            age = (step - dot) % count
            weight = max(0.18, 1.0 - age * 0.2)
            colour = tuple(round(d + (s - d) * weight) for s, d in zip(spot, dim))
            angle = math.radians(dot * 360 / count)
            x, y = 16 + 11 * math.sin(angle), 16 - 11 * math.cos(angle)
            pen.circle(x, y, 3.0 if age == 0 else 2.4, fill=colour)
        frames.append(downsample(image))
    palette = shared_palette(frames, 32)
    indexed = [f.quantize(palette=palette, dither=Image.Dither.NONE) for f in frames]
    indexed[0].save(folder / "qlanim.gif", save_all=True, append_images=indexed[1:],
                    duration=80, loop=0, optimize=True)


def gradient(size, top, bottom, horizontal=False):
    mask = Image.linear_gradient("L")
    if horizontal:
        mask = mask.rotate(90, expand=True)  # first colour on the left
    mask = mask.resize(size, Image.Resampling.BICUBIC)
    return Image.composite(Image.new("RGB", size, bottom), Image.new("RGB", size, top), mask)


def write_bar(folder, p):
    """A glossy strip: dark at the ends, bright in the middle, lighter on top."""
    dark, mid, light = p["bar"]
    w, h = 200, 24
    left = gradient((w // 2, h), dark, mid, horizontal=True)
    bar = Image.new("RGB", (w, h))
    bar.paste(left, (0, 0))
    bar.paste(left.transpose(Image.Transpose.FLIP_LEFT_RIGHT), (w // 2, 0))
    gloss = gradient((w, h // 2), light, mid)
    bar.paste(Image.blend(bar.crop((0, 0, w, h // 2)), gloss, 0.35), (0, 0))
    ImageDraw.Draw(bar).line([(0, 0), (w, 0)], fill=light)
    ImageDraw.Draw(bar).line([(0, h - 1), (w, h - 1)], fill=p["shade"])
    bar.quantize(colors=64, method=Image.Quantize.MEDIANCUT,
                 dither=Image.Dither.NONE).save(folder / "screensbar.gif")


def save_keyed_gif(image, path, backdrop):
    """Saves an RGBA drawing as a GIF whose see-through pixels are transparent.

    Half-covered edge pixels are blended with the page colour behind them."""
    flat = Image.new("RGB", image.size, backdrop)
    flat.paste(image, mask=image.getchannel("A"))
    key = 31
    indexed = flat.quantize(colors=key, method=Image.Quantize.MEDIANCUT,
                            dither=Image.Dither.NONE)
    indexed.putpalette(indexed.getpalette()[: key * 3] + list(rgb(backdrop)))
    alpha = image.getchannel("A")
    for y in range(image.height):
        for x in range(image.width):
            if alpha.getpixel((x, y)) < 128:
                indexed.putpixel((x, y), key)
    indexed.save(path, transparency=key, optimize=False)


def report_image(size, draw):
    image = supersampled(size, (0, 0, 0, 0), mode="RGBA")
    draw(Pen(image, units=size[0]))
    return downsample(image)


def write_report_images(folder, p):
    backdrop = p["pageTop"]
    images = {
        "html.gif": ((16, 16), lambda pen: _html_icon(pen, p)),
        "images.gif": ((16, 16), lambda pen: _picture_icon(pen, p)),
        "www.gif": ((19, 19), lambda pen: globe(pen, p, 9.5, 9.5, 8.5)),
        "diamond.gif": ((21, 13), lambda pen: pen.poly(
            [(10.5, 0.5), (20.5, 6.5), (10.5, 12.5), (0.5, 6.5)],
            fill=p["arrow"], outline=p["shade"], width=0.8)),
    }
    for name, (size, draw) in images.items():
        save_keyed_gif(report_image(size, draw), folder / name, backdrop)


def _html_icon(pen, p):
    page(pen, p, (2.5, 0.5, 13.5, 15.5), fold=4)
    for y in (6, 8.5, 11):
        pen.line([(4.5, y), (11, y)], p["accent"], 1)


def _picture_icon(pen, p):
    pen.rect((0.5, 2.5, 15.5, 13.5), fill=p["paper"], outline=p["shade"], width=1)
    pen.rect((2, 4, 14, 12), fill=p["sea"])
    pen.poly([(2, 12), (6.5, 7), (9.5, 10), (11, 8.5), (14, 12)], fill=p["go"])
    pen.circle(11.5, 6, 1.3, fill=p["arrow"])


def write_background(folder, p):
    """Dark page backdrop behind white text: a soft glow and faint diagonal lines."""
    w, h = 800, 600
    image = gradient((w, h), p["pageTop"], p["pageBottom"])
    glow = Image.radial_gradient("L").resize((1400, 1400), Image.Resampling.BICUBIC)
    glow = glow.crop((500, 600, 500 + w, 600 + h)).point(lambda v: min(255, v * 2))
    image = Image.composite(image, Image.new("RGB", (w, h), p["pageGlow"]), glow)
    lines = Image.new("L", (w, h), 0)
    draw = ImageDraw.Draw(lines)
    for x in range(-h, w, 8):
        draw.line([(x, h), (x + h, 0)], fill=9)
    image = Image.composite(Image.new("RGB", (w, h), "#ffffff"), image, lines)
    image.save(folder / "qlbackground.jpg", "JPEG", quality=72, optimize=False,
               progressive=False, subsampling=2)


ICON_BLUE_TOP, ICON_BLUE_BOTTOM = "#1b5c99", "#003366"


def draw_icon(size):
    """The program icon; the same shapes as data/icons/quarlo.svg (256 units)."""
    image = supersampled((size, size), (0, 0, 0, 0), mode="RGBA")
    pen = Pen(image, units=256)
    n = image.width
    tile = gradient((n, n), ICON_BLUE_TOP, ICON_BLUE_BOTTOM)
    mask = Image.new("L", (n, n), 0)
    Pen(mask, units=256).rect((16, 16, 240, 240), fill=255, radius=44)
    image.paste(tile, mask=mask)
    ink = "#dcebfa"
    pen.circle(118, 112, 75, fill=ink)
    pen.circle(118, 112, 65, fill="#2f7cc4")
    pen.ellipse((118 - 33.5, 112 - 73.5, 118 + 33.5, 112 + 73.5), outline=ink, width=7)
    for y, half in ((112, 70), (74, 58.8), (150, 58.8)):
        pen.line([(118 - half, y), (118 + half, y)], ink, 7)
    pen.poly([(172, 128), (204, 128), (204, 176), (222, 176), (188, 214), (154, 176),
              (172, 176)], fill="#ffd24a", outline="#0b1e33", width=6)
    return downsample(image)


# The sizes of the hicolor icon theme that desktop menus and panels look for.
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def write_icons(data):
    icons = data / "icons"
    icons.mkdir(parents=True, exist_ok=True)
    for size in ICON_SIZES:
        draw_icon(size).save(icons / f"quarlo-{size}.png", optimize=True)


def main():
    source = Path(__file__).resolve().parent.parent
    data = Path(sys.argv[1]) if len(sys.argv) > 1 else source / "data"
    for skin, palette in PALETTES.items():
        folder = data / "Skins" / skin
        folder.mkdir(parents=True, exist_ok=True)
        write_glyphs(folder, palette)
        write_animation(folder, palette)
        write_bar(folder, palette)
        write_report_images(folder, palette)
        write_background(folder, palette)
    write_icons(data)


if __name__ == "__main__":
    main()
