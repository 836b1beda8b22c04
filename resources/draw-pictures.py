#!/usr/bin/env python3
"""Draws Keelson's small pictures into resources/pictures as PNG files.

Plain Python, no libraries: shapes are filled with 4x4 supersampling and
written as 8-bit RGBA PNGs. Run it again after changing a picture."""

import math
import os
import struct
import zlib

SS = 4


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0.0, 0.0, 0.0, 0.0) for _ in range(w)] for _ in range(h)]

    def fill(self, inside, colour):
        r, g, b, a = colour
        for y in range(self.h):
            for x in range(self.w):
                hits = 0
                for sy in range(SS):
                    for sx in range(SS):
                        if inside(x + (sx + 0.5) / SS, y + (sy + 0.5) / SS):
                            hits += 1
                if hits:
                    cov = a * hits / (SS * SS)
                    pr, pg, pb, pa = self.px[y][x]
                    na = cov + pa * (1 - cov)
                    mix = lambda c, p: (c * cov + p * pa * (1 - cov)) / na
                    self.px[y][x] = (mix(r, pr), mix(g, pg), mix(b, pb), na)

    def polygon(self, pts, colour):
        def inside(x, y):
            c = False
            n = len(pts)
            for i in range(n):
                x1, y1 = pts[i]
                x2, y2 = pts[(i + 1) % n]
                if (y1 > y) != (y2 > y) and x < (x2 - x1) * (y - y1) / (y2 - y1) + x1:
                    c = not c
            return c
        self.fill(inside, colour)

    def rect(self, x0, y0, x1, y1, colour):
        self.fill(lambda x, y: x0 <= x < x1 and y0 <= y < y1, colour)

    def circle(self, cx, cy, r, colour):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour)

    def ring(self, cx, cy, r0, r1, colour):
        self.fill(lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1, colour)

    def line(self, x0, y0, x1, y1, width, colour):
        dx, dy = x1 - x0, y1 - y0
        length = math.hypot(dx, dy)
        nx, ny = -dy / length * width / 2, dx / length * width / 2
        self.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny),
                      (x0 - nx, y0 - ny)], colour)

    def save(self, path):
        raw = b""
        for row in self.px:
            raw += b"\0" + bytes(
                int(round(min(max(v, 0.0), 1.0) * 255)) for p in row for v in p)
        def chunk(kind, data):
            return (struct.pack(">I", len(data)) + kind + data +
                    struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
        png = (b"\x89PNG\r\n\x1a\n" +
               chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)) +
               chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
        with open(path, "wb") as f:
            f.write(png)


def rgb(hexcode, a=1.0):
    return (int(hexcode[0:2], 16) / 255, int(hexcode[2:4], 16) / 255,
            int(hexcode[4:6], 16) / 255, a)


NAVY, SEA, SAND, WHITE = rgb("1d3557"), rgb("2a7ab0"), rgb("e9c46a"), rgb("ffffff")
RED, GREEN, GREY, DARK = rgb("c0392b"), rgb("2e9e4f"), rgb("9aa5b1"), rgb("37424d")


def boat(c, ox, oy, s):
    """A sailing hull with its keel, s pixels wide, top left at ox, oy."""
    p = lambda x, y: (ox + x * s, oy + y * s)
    c.polygon([p(0.50, 0.05), p(0.50, 0.62), p(0.12, 0.62)], WHITE)        # sail
    c.polygon([p(0.56, 0.15), p(0.56, 0.62), p(0.86, 0.62)], SAND)         # jib
    c.rect(*p(0.50, 0.03), *p(0.55, 0.66), DARK)                           # mast
    c.polygon([p(0.02, 0.66), p(0.98, 0.66), p(0.80, 0.82), p(0.20, 0.82)], NAVY)  # hull
    c.polygon([p(0.44, 0.82), p(0.56, 0.82), p(0.52, 0.97), p(0.48, 0.97)], NAVY)  # keel


def logo():
    c = Canvas(41, 41)
    c.fill(lambda x, y: (min(x, 41 - x) > 4 or min(y, 41 - y) > 4 or
                         (min(x, 41 - x) - 4) ** 2 + (min(y, 41 - y) - 4) ** 2 < 16) and
           1 < x < 40 and 1 < y < 40, WHITE)
    c.rect(2, 29, 39, 39, rgb("cfe6f5"))
    boat(c, 4, 3, 33)
    c.save("pictures/keelson.png")


def about():
    c = Canvas(120, 60)
    c.rect(0, 0, 120, 60, rgb("0b1d33"))
    c.rect(0, 42, 120, 60, SEA)
    for i in range(6):
        c.ring(10 + i * 20, 44, 6, 8, rgb("7fc4ec"))
    c.rect(0, 36, 120, 43, rgb("0b1d33"))
    boat(c, 34, 2, 52)
    c.circle(100, 12, 6, SAND)
    c.save("pictures/about.png")


def packages():
    c = Canvas(32, 32)
    for (x, y) in ((3, 15), (17, 15), (10, 3)):
        c.rect(x, y, x + 12, y + 12, rgb("b5773a"))
        c.rect(x + 1, y + 1, x + 11, y + 11, rgb("d9a066"))
        c.rect(x + 5, y + 1, x + 7, y + 11, rgb("8a5526"))
    c.rect(1, 28, 31, 30, DARK)
    c.save("pictures/packages.png")


def bots():
    c = Canvas(32, 32)
    c.rect(15, 1, 17, 6, DARK)
    c.circle(16, 2, 2, RED)
    c.rect(5, 6, 27, 22, GREY)
    c.rect(7, 8, 25, 20, rgb("c9d1d9"))
    c.circle(12, 13, 2.6, RED)
    c.circle(20, 13, 2.6, RED)
    c.rect(11, 17, 21, 18.5, DARK)
    c.rect(9, 23, 23, 31, GREY)
    c.rect(2, 24, 8, 27, GREY)
    c.rect(24, 24, 30, 27, GREY)
    c.save("pictures/bots.png")


def run():
    c = Canvas(32, 32)
    c.circle(16, 16, 14.5, rgb("1f7a3a"))
    c.circle(16, 16, 13, GREEN)
    c.polygon([(12, 8), (24, 16), (12, 24)], WHITE)
    c.save("pictures/run.png")


def options():
    c = Canvas(16, 16)
    for i, knob in enumerate((10, 4, 8)):
        y = 3 + i * 5
        c.rect(1, y, 15, y + 1.5, DARK)
        c.rect(knob, y - 2, knob + 3, y + 3.5, SEA)
    c.save("pictures/options.png")


def exit_door():
    c = Canvas(16, 16)
    c.rect(2, 1, 10, 15, rgb("8a5526"))
    c.rect(3, 2, 9, 15, rgb("d9a066"))
    c.circle(7.5, 8.5, 0.9, DARK)
    c.polygon([(9, 7), (12, 7), (12, 5), (15.5, 8.5), (12, 12), (12, 10), (9, 10)], GREEN)
    c.save("pictures/exit.png")


def help_mark():
    c = Canvas(16, 16)
    c.circle(8, 8, 7.5, NAVY)
    c.circle(8, 8, 6.5, SEA)
    c.circle(8, 4.4, 1.3, WHITE)
    c.rect(6.9, 6.6, 9.1, 12.6, WHITE)
    c.save("pictures/help.png")


def tick():
    c = Canvas(16, 16)
    c.polygon([(1.5, 8.5), (4, 6), (6.5, 8.5), (12.5, 2.5), (15, 5), (6.5, 13.5)], GREEN)
    c.save("pictures/tick.png")


def cross():
    c = Canvas(16, 16)
    c.line(3, 3, 13, 13, 3, RED)
    c.line(13, 3, 3, 13, 3, RED)
    c.save("pictures/cross.png")


def trash():
    c = Canvas(16, 16)
    c.rect(6, 1, 10, 3, DARK)
    c.rect(2, 3, 14, 5, DARK)
    c.polygon([(3, 6), (13, 6), (12, 15), (4, 15)], GREY)
    for x in (5.5, 7.5, 9.5):
        c.rect(x, 7.5, x + 1, 13.5, DARK)
    c.save("pictures/trash.png")


if __name__ == "__main__":
    os.chdir(os.path.dirname(os.path.abspath(__file__)))
    logo(); about(); packages(); bots(); run(); options(); exit_door()
    help_mark(); tick(); cross(); trash()
