#!/usr/bin/python3
"""Draws Korvi's window icon, desktop icon and button icons.

Run from anywhere:  /usr/bin/python3 scripts/make-icons.py [--preview FILE]
Needs Pillow (Debian: apt-get install -y python3-pil). The output is fully
determined by this script, so the committed pictures can be regenerated.

Every picture is drawn on a unit square (0..1), rendered 8 times larger and
reduced with an area filter, which gives clean edges at 16 and 32 pixels.
GIF files keep one transparent colour: pixels less than half opaque.
"""

import math
import os
import sys

from PIL import Image, ImageDraw

SUPER = 8

# One flat palette for every icon.
NAVY = (31, 58, 95, 255)
NAVY_DARK = (20, 38, 64, 255)
NAVY_LIGHT = (74, 112, 160, 255)
WHITE = (250, 250, 250, 255)
AMBER = (232, 163, 61, 255)
MOON = (246, 216, 150, 255)
CROW = (16, 20, 28, 255)
RED = (204, 51, 51, 255)
RED_DARK = (150, 30, 30, 255)
GREEN = (46, 139, 87, 255)
GREY = (128, 128, 128, 255)
GREY_LIGHT = (214, 214, 214, 255)
GREY_DARK = (90, 90, 90, 255)


class Canvas:
    """A drawing surface addressed in unit coordinates."""

    def __init__(self, size):
        self.size = size
        self.px = size * SUPER
        self.img = Image.new("RGBA", (self.px, self.px), (0, 0, 0, 0))
        self.draw = ImageDraw.Draw(self.img)

    def p(self, x, y):
        return (x * self.px, y * self.px)

    def w(self, v):
        return max(1, int(round(v * self.px)))

    def rrect(self, x0, y0, x1, y1, r, fill=None, outline=None, width=0):
        self.draw.rounded_rectangle(
            [self.p(x0, y0), self.p(x1, y1)], radius=r * self.px, fill=fill,
            outline=outline, width=self.w(width) if outline else 0)

    def rect(self, x0, y0, x1, y1, fill):
        self.draw.rectangle([self.p(x0, y0), self.p(x1, y1)], fill=fill)

    def poly(self, pts, fill):
        self.draw.polygon([self.p(x, y) for x, y in pts], fill=fill)

    def circle(self, cx, cy, r, fill):
        self.draw.ellipse([self.p(cx - r, cy - r), self.p(cx + r, cy + r)], fill=fill)

    def line(self, pts, fill, width):
        self.draw.line([self.p(x, y) for x, y in pts], fill=fill, width=self.w(width),
                       joint="curve")
        # Round caps.
        for x, y in (pts[0], pts[-1]):
            self.circle(x, y, width / 2, fill)

    def result(self):
        return self.img.resize((self.size, self.size), Image.BOX)


class SvgCanvas:
    """The same drawing calls written out as SVG shapes (the scalable icon)."""

    def __init__(self, size):
        self.size = size
        self.px = size
        self.items = []

    @staticmethod
    def colour(c):
        return "#%02x%02x%02x" % c[:3]

    def p(self, x, y):
        return (x * self.px, y * self.px)

    def n(self, v):
        return ("%.2f" % (v * self.px)).rstrip("0").rstrip(".")

    def rrect(self, x0, y0, x1, y1, r, fill=None, outline=None, width=0):
        self.items.append('<rect x="%s" y="%s" width="%s" height="%s" rx="%s" fill="%s"/>' % (
            self.n(x0), self.n(y0), self.n(x1 - x0), self.n(y1 - y0), self.n(r),
            self.colour(fill)))

    def rect(self, x0, y0, x1, y1, fill):
        self.rrect(x0, y0, x1, y1, 0, fill=fill)

    def poly(self, pts, fill):
        points = " ".join("%s,%s" % (self.n(x), self.n(y)) for x, y in pts)
        self.items.append('<polygon points="%s" fill="%s"/>' % (points, self.colour(fill)))

    def circle(self, cx, cy, r, fill):
        self.items.append('<circle cx="%s" cy="%s" r="%s" fill="%s"/>' % (
            self.n(cx), self.n(cy), self.n(r), self.colour(fill)))

    def line(self, pts, fill, width):
        points = " ".join("%s,%s" % (self.n(x), self.n(y)) for x, y in pts)
        self.items.append(
            '<polyline points="%s" fill="none" stroke="%s" stroke-width="%s" '
            'stroke-linecap="round" stroke-linejoin="round"/>' % (
                points, self.colour(fill), self.n(width)))

    def result(self):
        return ('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
                'viewBox="0 0 %d %d">\n  %s\n</svg>\n' % (
                    self.size, self.size, self.size, self.size, "\n  ".join(self.items)))


def ellipse_pts(cx, cy, rx, ry, angle_deg, n=48):
    a = math.radians(angle_deg)
    out = []
    for i in range(n):
        t = 2 * math.pi * i / n
        x, y = rx * math.cos(t), ry * math.sin(t)
        out.append((cx + x * math.cos(a) - y * math.sin(a), cy + x * math.sin(a) + y * math.cos(a)))
    return out


def crow(c, colour, eye, detail):
    """A crow in profile, facing right, standing on a perch."""
    c.poly([(0.32, 0.54), (0.03, 0.71), (0.06, 0.78), (0.14, 0.78), (0.36, 0.66)], colour)  # tail
    c.poly(ellipse_pts(0.46, 0.575, 0.25, 0.14, -22), colour)  # body
    c.poly([(0.50, 0.44), (0.60, 0.30), (0.76, 0.33), (0.72, 0.50), (0.58, 0.60)], colour)  # neck
    c.circle(0.68, 0.355, 0.10, colour)  # head
    c.poly([(0.72, 0.28), (0.85, 0.30), (0.95, 0.37), (0.84, 0.395), (0.74, 0.43)], colour)  # beak
    if detail:
        # Wing line and legs only where there are pixels enough for them.
        c.line([(0.28, 0.60), (0.44, 0.55), (0.58, 0.53)], NAVY_LIGHT, 0.02)
        c.line([(0.44, 0.68), (0.42, 0.81)], colour, 0.035)
        c.line([(0.53, 0.66), (0.55, 0.81)], colour, 0.035)
    c.circle(0.70, 0.33, 0.025 if detail else 0.035, eye)


def korvi_mark(size, c=None):
    c = c or Canvas(size)
    c.rrect(0.02, 0.02, 0.98, 0.98, 0.20, fill=NAVY)
    c.circle(0.56, 0.46, 0.34, MOON)
    detail = size >= 48
    crow(c, CROW, MOON, detail)
    c.line([(0.16, 0.84), (0.86, 0.84)], AMBER, 0.06 if detail else 0.08)  # perch
    return c.result()


def save_icon(size):
    c = Canvas(size)
    c.poly([(0.06, 0.06), (0.80, 0.06), (0.94, 0.20), (0.94, 0.94), (0.06, 0.94)], NAVY)  # disk
    c.rect(0.24, 0.06, 0.70, 0.36, GREY_LIGHT)  # shutter
    c.rect(0.54, 0.11, 0.64, 0.31, NAVY)  # shutter slot
    c.rect(0.18, 0.52, 0.82, 0.94, WHITE)  # label
    c.rect(0.26, 0.62, 0.74, 0.68, NAVY_LIGHT)
    c.rect(0.26, 0.76, 0.74, 0.82, NAVY_LIGHT)
    return c.result()


def stop_icon(size):
    c = Canvas(size)
    k = 0.29
    ring = [(k, 0.04), (1 - k, 0.04), (0.96, k), (0.96, 1 - k), (1 - k, 0.96), (k, 0.96),
            (0.04, 1 - k), (0.04, k)]
    c.poly(ring, RED_DARK)
    inner = [(x * 0.86 + 0.07, y * 0.86 + 0.07) for x, y in ring]
    c.poly(inner, RED)
    c.rect(0.24, 0.42, 0.76, 0.58, WHITE)  # bar
    return c.result()


def redl_icon(size):
    c = Canvas(size)
    cx, cy, r = 0.5, 0.52, 0.32
    start, end = -60, 230  # degrees, clockwise from 3 o'clock in screen coordinates
    pts = [(cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a)))
           for a in range(start, end + 1, 5)]
    c.line(pts, GREEN, 0.15)
    # Arrow head at the start of the arc, pointing along the turn (anticlockwise).
    a = math.radians(start)
    tip_x, tip_y = cx + r * math.cos(a), cy + r * math.sin(a)
    tx, ty = math.sin(a), -math.cos(a)  # tangent, anticlockwise on screen
    nx, ny = math.cos(a), math.sin(a)
    h = 0.26
    c.poly([(tip_x + tx * h, tip_y + ty * h),
            (tip_x + nx * h * 0.95, tip_y + ny * h * 0.95),
            (tip_x - nx * h * 0.95, tip_y - ny * h * 0.95)], GREEN)
    return c.result()


def not_pic_icon(size):
    c = Canvas(size)
    c.rrect(0.06, 0.12, 0.94, 0.88, 0.06, fill=GREY_LIGHT, outline=GREY, width=0.07)
    c.poly([(0.16, 0.80), (0.38, 0.48), (0.54, 0.68), (0.64, 0.56), (0.84, 0.80)], GREY)  # hills
    c.circle(0.70, 0.32, 0.07, GREY)  # sun
    c.line([(0.22, 0.22), (0.78, 0.78)], RED, 0.11)
    c.line([(0.78, 0.22), (0.22, 0.78)], RED, 0.11)
    return c.result()


def to_gif(img, path):
    """Saves an RGBA picture as a GIF with one transparent colour."""
    rgb = Image.new("RGB", img.size, (255, 255, 255))
    rgb.paste(img, mask=img.split()[3])
    pal = rgb.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    out = pal.copy()
    key = 255
    mask = img.split()[3].point(lambda a: 255 if a < 128 else 0)
    out.paste(key, mask=mask)
    palette = pal.getpalette()[:255 * 3] + [255, 0, 255]
    out.putpalette(palette)
    out.save(path, transparency=key, optimize=False)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    pic = os.path.join(root, "data", "resource", "pic")
    pkg = os.path.join(root, "packaging")
    os.makedirs(pic, exist_ok=True)
    os.makedirs(pkg, exist_ok=True)

    icons = {
        "icon.gif": korvi_mark(32),
        "ic_save01.gif": save_icon(16),
        "ic_stop01.gif": stop_icon(16),
        "ic_re_dl01.gif": redl_icon(16),
        "ic_not_pic01.gif": not_pic_icon(24),
    }
    for name, img in icons.items():
        to_gif(img, os.path.join(pic, name))
    big = korvi_mark(256)
    big.save(os.path.join(pic, "korvi.png"), optimize=True)
    korvi_mark(32).save(os.path.join(pkg, "korvi-32.png"), optimize=True)
    korvi_mark(48).save(os.path.join(pkg, "korvi-48.png"), optimize=True)
    with open(os.path.join(pkg, "korvi.svg"), "w", encoding="utf-8") as svg:
        svg.write(korvi_mark(256, SvgCanvas(256)))

    if len(sys.argv) == 3 and sys.argv[1] == "--preview":
        # Every icon enlarged 8 times on a light and a dark strip, to look at.
        shown = [Image.open(os.path.join(pic, n)).convert("RGBA") for n in icons]
        shown.append(big.resize((64, 64), Image.LANCZOS))
        cell = 32 * 8 + 16
        sheet = Image.new("RGBA", (cell * len(shown), cell * 2), (240, 240, 240, 255))
        sheet.paste((60, 60, 60, 255), (0, cell, sheet.width, cell * 2))
        for i, im in enumerate(shown):
            z = im.resize((im.width * 8, im.height * 8), Image.NEAREST) if im.width <= 32 else im
            for row in range(2):
                sheet.alpha_composite(z, (i * cell + 8, row * cell + 8))
        sheet.save(sys.argv[2])


if __name__ == "__main__":
    main()
