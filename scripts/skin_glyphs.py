"""Tool-button pictograms for the skins, drawn with plain PIL primitives.

Every glyph is drawn on a 24-unit grid by a function that takes a Pen and a
palette, so that each skin gets the same pictures in its own colours. The Pen
draws at eight times the final size; the caller averages down to 24x24, which
gives smooth edges without any randomness.
"""

from PIL import ImageDraw

SUPERSAMPLE = 8


class Pen:
    """ImageDraw in 24-unit glyph coordinates."""

    def __init__(self, image, units=24):
        self.draw = ImageDraw.Draw(image)
        self.scale = image.width / units

    def _xy(self, points):
        return [(round(x * self.scale), round(y * self.scale)) for x, y in points]

    def _box(self, box):
        x0, y0, x1, y1 = box
        return self._xy([(x0, y0), (x1, y1)])

    def _w(self, width):
        return max(1, round(width * self.scale))

    def poly(self, points, fill=None, outline=None, width=1.0):
        self.draw.polygon(self._xy(points), fill=fill)
        if outline:
            self.line(points + [points[0]], outline, width)

    def rect(self, box, fill=None, outline=None, width=1.0, radius=0.0):
        self.draw.rounded_rectangle(self._box(box), radius=round(radius * self.scale),
                                    fill=fill, outline=outline,
                                    width=self._w(width) if outline else 0)

    def ellipse(self, box, fill=None, outline=None, width=1.0):
        self.draw.ellipse(self._box(box), fill=fill, outline=outline,
                          width=self._w(width) if outline else 0)

    def circle(self, cx, cy, r, fill=None, outline=None, width=1.0):
        self.ellipse((cx - r, cy - r, cx + r, cy + r), fill, outline, width)

    def line(self, points, fill, width=1.0):
        self.draw.line(self._xy(points), fill=fill, width=self._w(width), joint="curve")

    def arc(self, box, start, end, fill, width=1.0):
        self.draw.arc(self._box(box), start, end, fill=fill, width=self._w(width))


# Shared parts ----------------------------------------------------------------

def page(pen, p, box, fold=4.0):
    x0, y0, x1, y1 = box
    outline = [(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)]
    pen.poly(outline, fill=p["paper"], outline=p["shade"], width=1)
    pen.poly([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)],
             fill=p["fold"], outline=p["shade"], width=1)


def globe(pen, p, cx, cy, r):
    pen.circle(cx, cy, r, fill=p["sea"], outline=p["ink"], width=1.2)
    pen.ellipse((cx - r * 0.45, cy - r, cx + r * 0.45, cy + r), outline=p["ink"], width=1)
    pen.line([(cx - r, cy), (cx + r, cy)], p["ink"], 1)
    pen.line([(cx, cy - r), (cx, cy + r)], p["ink"], 1)
    pen.arc((cx - r * 1.6, cy - r * 1.55, cx + r * 1.6, cy - r * 0.05), 35, 145, p["ink"], 0.8)
    pen.arc((cx - r * 1.6, cy + r * 0.05, cx + r * 1.6, cy + r * 1.55), 215, 325, p["ink"], 0.8)


def down_arrow(pen, p, cx, top, bottom, half, colour):
    neck = bottom - half * 1.1
    pen.poly([(cx - half * 0.45, top), (cx + half * 0.45, top), (cx + half * 0.45, neck),
              (cx + half, neck), (cx, bottom), (cx - half, neck), (cx - half * 0.45, neck)],
             fill=colour, outline=p["shade"], width=0.8)


def plus_badge(pen, p, cx, cy, r):
    pen.circle(cx, cy, r, fill=p["go"], outline=p["shade"], width=0.8)
    pen.line([(cx - r * 0.55, cy), (cx + r * 0.55, cy)], p["paper"], 1.6)
    pen.line([(cx, cy - r * 0.55), (cx, cy + r * 0.55)], p["paper"], 1.6)


def archive_box(pen, p, box):
    x0, y0, x1, y1 = box
    pen.rect(box, fill=p["box"], outline=p["shade"], width=1, radius=1)
    pen.rect((x0, y0, x1, y0 + (y1 - y0) * 0.28), fill=p["boxlid"], outline=p["shade"],
             width=1, radius=1)
    mid = (x0 + x1) / 2
    y = y0 + 1.5
    while y < y1 - 1.5:
        pen.line([(mid - 1.2, y), (mid, y)], p["shade"], 0.9)
        pen.line([(mid, y + 1.1), (mid + 1.2, y + 1.1)], p["shade"], 0.9)
        y += 2.2


def house(pen, p, cx, base, half):
    roof = base - half * 1.05
    pen.rect((cx - half * 0.75, roof + half * 0.1, cx + half * 0.75, base),
             fill=p["paper"], outline=p["shade"], width=1)
    pen.poly([(cx - half, roof + half * 0.25), (cx, roof - half * 0.75),
              (cx + half, roof + half * 0.25)], fill=p["roof"], outline=p["shade"], width=1)
    pen.rect((cx - half * 0.22, base - half * 0.7, cx + half * 0.22, base), fill=p["accent"])


def horizontal_arrow(pen, p, pointing_left, colour):
    points = [(3, 12), (11, 4), (11, 8.5), (21, 8.5), (21, 15.5), (11, 15.5), (11, 20)]
    if not pointing_left:
        points = [(24 - x, y) for x, y in points]
    pen.poly(points, fill=colour, outline=p["shade"], width=1)


# Glyphs ----------------------------------------------------------------------

def glyph_new(pen, p):
    page(pen, p, (4, 2, 18, 22), fold=5)
    for y in (9, 12, 15):
        pen.line([(7, y), (13, y)], p["fold"], 1)
    plus_badge(pen, p, 17, 17, 5)


def glyph_open(pen, p):
    pen.poly([(2, 5), (8, 5), (10, 7), (19, 7), (19, 20), (2, 20)],
             fill=p["folderback"], outline=p["shade"], width=1)
    pen.poly([(5, 11), (22, 11), (19, 20), (2, 20)], fill=p["folder"], outline=p["shade"],
             width=1)


def glyph_downloads(pen, p):
    for y in (5, 11, 17):
        pen.rect((2, y - 1.5, 5, y + 1.5), fill=p["accent"], radius=0.5)
        pen.line([(7, y), (13, y)], p["paper"], 2)
    down_arrow(pen, p, 18, 3, 21, 4.5, p["arrow"])


def glyph_quarlo_mode(pen, p):
    archive_box(pen, p, (3, 4, 21, 21))


def glyph_intranet_mode(pen, p):
    pen.line([(6, 7), (6, 18), (14, 18)], p["paper"], 1.2)
    pen.line([(6, 11), (14, 11)], p["paper"], 1.2)
    pen.rect((2, 3, 10, 9), fill=p["folder"], outline=p["shade"], width=0.8, radius=1)
    pen.rect((13, 8, 21, 14), fill=p["folderback"], outline=p["shade"], width=0.8, radius=1)
    pen.rect((13, 15, 21, 21), fill=p["folderback"], outline=p["shade"], width=0.8, radius=1)


def glyph_add_to_current(pen, p):
    archive_box(pen, p, (2, 3, 17, 18))
    plus_badge(pen, p, 17, 17, 5.5)


def glyph_help(pen, p):
    pen.circle(12, 12, 10, fill=p["accent"], outline=p["shade"], width=1)
    pen.arc((8, 5, 16, 13), 180, 405, p["paper"], 2.4)
    pen.line([(14.8, 11.8), (12, 13.5), (12, 15.2)], p["paper"], 2.4)
    pen.circle(12, 18.3, 1.5, fill=p["paper"])


def glyph_download(pen, p):
    down_arrow(pen, p, 12, 2, 17, 7, p["arrow"])
    pen.line([(3, 16), (3, 21), (21, 21), (21, 16)], p["paper"], 2)


def glyph_back(pen, p):
    horizontal_arrow(pen, p, True, p["go"])


def glyph_forward(pen, p):
    horizontal_arrow(pen, p, False, p["go"])


def glyph_browser_stop(pen, p):
    a, b = 3.5, 8.5
    pen.poly([(12 - a, 12 - b), (12 + a, 12 - b), (12 + b, 12 - a), (12 + b, 12 + a),
              (12 + a, 12 + b), (12 - a, 12 + b), (12 - b, 12 + a), (12 - b, 12 - a)],
             fill=p["halt"], outline=p["shade"], width=1)
    pen.line([(8.5, 8.5), (15.5, 15.5)], p["paper"], 2.2)
    pen.line([(15.5, 8.5), (8.5, 15.5)], p["paper"], 2.2)


def glyph_refresh(pen, p):
    pen.arc((4, 4, 20, 20), 20, 320, p["go"], 3)
    pen.poly([(13.5, 1.5), (21, 6.5), (13, 10.5)], fill=p["go"])


def glyph_home(pen, p):
    house(pen, p, 12, 21, 9)


def glyph_browser(pen, p):
    pen.rect((2, 3, 22, 21), fill=p["paper"], outline=p["shade"], width=1, radius=1)
    pen.rect((2, 3, 22, 7), fill=p["accent"], outline=p["shade"], width=1, radius=1)
    globe(pen, p, 12, 14, 5.5)


def glyph_maker_home(pen, p):
    globe(pen, p, 10, 10, 8)
    down_arrow(pen, p, 18, 11, 22, 4, p["arrow"])


def glyph_daily_news(pen, p):
    pen.rect((5, 3, 22, 21), fill=p["paper"], outline=p["shade"], width=1)
    pen.poly([(5, 7), (2, 7), (2, 19), (5, 21)], fill=p["fold"], outline=p["shade"], width=1)
    pen.rect((7.5, 5.5, 19.5, 9), fill=p["accent"])
    pen.rect((7.5, 11, 12.5, 16), fill=p["fold"])
    for y in (11.5, 14, 16.5):
        pen.line([(14, y), (19.5, y)], p["shade"], 0.9)
    pen.line([(7.5, 18.8), (19.5, 18.8)], p["shade"], 0.9)


def glyph_web_links(pen, p):
    pen.rect((1.5, 7.5, 14, 16.5), outline=p["paper"], width=2.6, radius=4.5)
    pen.rect((10, 7.5, 22.5, 16.5), outline=p["accent"], width=2.6, radius=4.5)
    pen.line([(10, 12), (11.5, 12)], p["paper"], 2.6)


def glyph_run(pen, p):
    pen.poly([(6, 3), (20, 12), (6, 21)], fill=p["go"], outline=p["shade"], width=1)


def glyph_stop(pen, p):
    pen.rect((5, 5, 19, 19), fill=p["halt"], outline=p["shade"], width=1, radius=1.5)


GLYPHS = {
    "new.bmp": glyph_new,
    "open.bmp": glyph_open,
    "dwnloads.bmp": glyph_downloads,
    "qlmode.bmp": glyph_quarlo_mode,
    "pimode.bmp": glyph_intranet_mode,
    "addtocur.bmp": glyph_add_to_current,
    "help.bmp": glyph_help,
    "download.bmp": glyph_download,
    "browser_back.bmp": glyph_back,
    "browser_forward.bmp": glyph_forward,
    "browser_stop.bmp": glyph_browser_stop,
    "browser_refresh.bmp": glyph_refresh,
    "browser_home.bmp": glyph_home,
    "browser.bmp": glyph_browser,
    "browse_quarlohome.bmp": glyph_maker_home,
    "browse_dailynews.bmp": glyph_daily_news,
    "browse_weblinks.bmp": glyph_web_links,
    "run.bmp": glyph_run,
    "stop.bmp": glyph_stop,
}
