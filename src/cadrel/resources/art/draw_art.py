#!/usr/bin/env python3
"""Draws the program's own pictures as 16-colour files beside this script.

    python3 draw_art.py        # rewrites list_icons.bmp, about.bmp and cadrel.ico

The output is committed, so the build needs no Python; run this again only after changing a
drawing. Standard library only.
"""
import math
import os
import struct

# The classic 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)
CLEAR = -1  # icon pixels left transparent


class Canvas:
    def __init__(self, width, height, fill):
        self.width, self.height = width, height
        self.px = [[fill] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1 + 1):
            self.set(x, y0, colour)
            self.set(x, y1, colour)
        for y in range(y0, y1 + 1):
            self.set(x0, y, colour)
            self.set(x1, y, colour)

    def ellipse(self, cx, cy, rx, ry, colour, inner=0.0):
        """Fills the ring between inner (a fraction of the radii) and the outline."""
        for y in range(self.height):
            for x in range(self.width):
                d = ((x + 0.5 - cx) / rx) ** 2 + ((y + 0.5 - cy) / ry) ** 2
                if inner * inner <= d <= 1.0:
                    self.set(x, y, colour)

    def disc(self, cx, cy, r, colour, inner=0.0):
        self.ellipse(cx, cy, r, r, colour, inner)

    def line(self, x0, y0, x1, y1, colour):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.set(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), colour)


def padlock(c, ox):
    # Shackle: a grey arch over a brass body with a keyhole.
    c.ellipse(ox + 7.5, 6.0, 4.5, 5.0, GREY, inner=0.55)
    c.rect(ox + 2, 6, ox + 12, 13, OLIVE)
    c.rect(ox + 3, 7, ox + 11, 12, YELLOW)
    c.frame(ox + 2, 6, ox + 12, 13, BLACK)
    c.rect(ox + 7, 8, ox + 7, 11, BLACK)
    c.set(ox + 6, 9, BLACK)
    c.set(ox + 8, 9, BLACK)


def ringed_planet(c, ox):
    # A blue planet inside a tilted ring; the ring's near half passes in front of it.
    def ring(front):
        for step in range(360):
            a = math.radians(step)
            x, y = 7.0 * math.cos(a), 2.2 * math.sin(a)
            tilt = math.radians(-25)
            rx = x * math.cos(tilt) - y * math.sin(tilt)
            ry = x * math.sin(tilt) + y * math.cos(tilt)
            if (math.sin(a) > 0) == front:
                c.set(ox + round(7 + rx), round(7 + ry), SILVER if front else GREY)
    ring(False)
    c.disc(ox + 7.5, 7.5, 5.0, NAVY)
    c.disc(ox + 7.5, 7.5, 4.2, BLUE)
    c.set(ox + 6, 5, CYAN)
    c.set(ox + 5, 6, CYAN)
    ring(True)


def four_colour_diamond(c, ox):
    # A diamond cut into four coloured quarters.
    for y in range(15):
        for x in range(15):
            dx, dy = x - 7, y - 7
            if abs(dx) + abs(dy) > 7:
                continue
            if abs(dx) + abs(dy) == 7:
                colour = BLACK
            elif dx <= 0 and dy < 0:
                colour = RED
            elif dx > 0 and dy <= 0:
                colour = YELLOW
            elif dx < 0 and dy >= 0:
                colour = GREEN
            else:
                colour = BLUE
            c.set(ox + x, y, colour)
    c.line(ox + 7, 1, ox + 7, 13, BLACK)
    c.line(ox + 1, 7, ox + 13, 7, BLACK)


def list_icons():
    # Three 15x15 images side by side: locked, ringed-planet target, diamond target.
    c = Canvas(45, 15, WHITE)
    padlock(c, 0)
    ringed_planet(c, 15)
    four_colour_diamond(c, 30)
    return c


def gold_disc(c, cx, cy, r):
    c.disc(cx, cy, r, OLIVE)
    c.disc(cx, cy, r - 1, YELLOW)
    for k in (0.85, 0.7, 0.55):
        c.disc(cx, cy, r * k, OLIVE, inner=1 - 0.6 / (r * k))
    # A thin rainbow glint across the tracks.
    for i, colour in enumerate((WHITE, CYAN, MAGENTA, WHITE)):
        a = math.radians(215 + i * 2.5)
        for rr in range(int(r * 0.4), int(r * 0.95)):
            c.set(round(cx + rr * math.cos(a)), round(cy + rr * math.sin(a)), colour)
    c.disc(cx, cy, r * 0.3, SILVER)
    c.disc(cx, cy, r * 0.3, GREY, inner=0.85)
    c.disc(cx, cy, r * 0.13, BLACK)


def about_picture():
    # A gold disc above the emulator box that serves it, on a night-blue panel.
    c = Canvas(80, 128, NAVY)
    for x, y in ((5, 6), (70, 10), (12, 80), (66, 74), (40, 3), (74, 40), (3, 50), (20, 120)):
        c.set(x, y, WHITE)
    gold_disc(c, 40, 38, 30)
    c.disc(40, 38, 3.9, NAVY)
    # Cable from the box to the disc.
    c.line(40, 70, 40, 86, GREY)
    c.line(41, 70, 41, 86, SILVER)
    # The emulator box.
    c.rect(8, 86, 71, 116, SILVER)
    c.frame(8, 86, 71, 116, BLACK)
    c.line(9, 87, 70, 87, WHITE)
    c.line(9, 87, 9, 115, WHITE)
    c.rect(14, 92, 50, 96, BLACK)           # disc slot
    c.rect(14, 103, 40, 110, TEAL)          # display
    c.line(16, 106, 30, 106, LIME)
    c.disc(58, 95, 2.5, LIME)               # power lamp
    c.disc(58, 104, 2.5, RED)               # activity lamp
    c.rect(8, 117, 14, 119, GREY)           # feet
    c.rect(65, 117, 71, 119, GREY)
    c.frame(0, 0, 79, 127, BLACK)
    return c


def program_icon(size):
    c = Canvas(size, size, CLEAR)
    r = size / 2 - 0.5
    gold_disc(c, size / 2, size / 2, r)
    c.disc(size / 2, size / 2, max(1.5, size * 0.07), CLEAR)
    # A small green lamp: the emulator is serving this disc.
    s = max(3, size // 6)
    c.rect(size - s - 1, size - s - 1, size - 1, size - 1, BLACK)
    c.rect(size - s, size - s, size - 2, size - 2, LIME)
    return c


def palette_bytes():
    return b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)


def pixel_rows(c):
    """4-bit rows, bottom row first, each padded to 4 bytes."""
    stride = ((c.width * 4 + 31) // 32) * 4
    out = bytearray()
    for y in range(c.height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(c.width):
            v = max(c.px[y][x], 0)
            row[x // 2] |= v << (4 if x % 2 == 0 else 0)
        out += row
    return bytes(out)


def mask_rows(c):
    stride = ((c.width + 31) // 32) * 4
    out = bytearray()
    for y in range(c.height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(c.width):
            if c.px[y][x] == CLEAR:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def info_header(width, height, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 2835, 2835, 16, 16)


def write_bmp(path, c):
    bits = pixel_rows(c)
    header = info_header(c.width, c.height, len(bits)) + palette_bytes()
    offset = 14 + len(header)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset))
        f.write(header + bits)


def write_ico(path, canvases):
    images = []
    for c in canvases:
        bits, mask = pixel_rows(c), mask_rows(c)
        images.append(info_header(c.width, c.height * 2, len(bits) + len(mask)) + palette_bytes() + bits + mask)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)))
        offset = 6 + 16 * len(images)
        for c, data in zip(canvases, images):
            f.write(struct.pack("<BBBBHHII", c.width, c.height, 16, 0, 1, 4, len(data), offset))
            offset += len(data)
        for data in images:
            f.write(data)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    write_bmp(os.path.join(here, "list_icons.bmp"), list_icons())
    write_bmp(os.path.join(here, "about.bmp"), about_picture())
    write_ico(os.path.join(here, "cadrel.ico"), [program_icon(32), program_icon(16)])
