#!/usr/bin/env python3
"""Draws the tool-button pictures and the socket pictures as XPM files.

The pictures are simple flat glyphs drawn from a few primitives, so they can
be reviewed as text and redrawn at will: run this script in this folder and
commit the .xpm (and .bmp) files it writes. Only the standard library is needed.
"""

import math
import os
import struct

# One character per colour; "." is transparent.
PALETTE = {
    ".": None,
    "k": "#202020",  # outline
    "K": "#000000",
    "w": "#FFFFFF",
    "g": "#9A9A9A",  # grey
    "G": "#D4D4D4",  # light grey
    "d": "#5A5A5A",  # dark grey
    "y": "#F6C343",  # folder / pencil yellow
    "Y": "#D99A1E",  # darker yellow
    "b": "#2F6FC4",  # blue
    "B": "#1D4C8C",  # dark blue
    "c": "#8EC1F0",  # light blue
    "r": "#D83A2E",  # red
    "R": "#9E2219",  # dark red
    "p": "#F2A0B4",  # pink
    "P": "#C96A84",  # dark pink
    "n": "#2E9A3E",  # green
    "N": "#1E6B2A",  # dark green
    "o": "#F08A1C",  # orange
    "s": "#F3D9A8",  # wood / skin
    "t": "#3C8C5A",  # board green
    "T": "#2A6642",  # dark board green
}


class Canvas:
    def __init__(self, width, height):
        self.w, self.h = width, height
        self.px = [["."] * width for _ in range(height)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        """Filled rectangle, corners inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.put(x, y0, c)
            self.put(x, y1, c)
        for y in range(y0, y1 + 1):
            self.put(x0, y, c)
            self.put(x1, y, c)

    def box(self, x0, y0, x1, y1, fill, outline="k"):
        self.rect(x0, y0, x1, y1, fill)
        self.frame(x0, y0, x1, y1, outline)

    def polygon(self, points, c):
        """Filled polygon; a pixel is in when its centre is."""
        ys = [p[1] for p in points]
        for y in range(int(min(ys)), int(math.ceil(max(ys))) + 1):
            cy = y + 0.5
            xs = []
            for i, (xa, ya) in enumerate(points):
                xb, yb = points[(i + 1) % len(points)]
                if (ya <= cy < yb) or (yb <= cy < ya):
                    xs.append(xa + (cy - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                for x in range(int(math.ceil(a - 0.5)), int(math.floor(b - 0.5)) + 1):
                    self.put(x, y, c)

    def outline(self, points, c):
        for i, a in enumerate(points):
            self.line(a, points[(i + 1) % len(points)], c)

    def line(self, a, b, c, width=1):
        (xa, ya), (xb, yb) = a, b
        steps = int(max(abs(xb - xa), abs(yb - ya)) * 2) + 1
        r = (width - 1) / 2
        for i in range(steps + 1):
            t = i / steps
            x, y = xa + (xb - xa) * t, ya + (yb - ya) * t
            if width == 1:
                self.put(int(round(x)), int(round(y)), c)
            else:
                self.disc(x, y, r + 0.5, c)

    def disc(self, cx, cy, r, c):
        for y in range(int(cy - r) - 1, int(cy + r) + 2):
            for x in range(int(cx - r) - 1, int(cx + r) + 2):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.put(x, y, c)

    def ring(self, cx, cy, r_out, r_in, c):
        for y in range(int(cy - r_out) - 1, int(cy + r_out) + 2):
            for x in range(int(cx - r_out) - 1, int(cx + r_out) + 2):
                d2 = (x - cx) ** 2 + (y - cy) ** 2
                if r_in * r_in < d2 <= r_out * r_out:
                    self.put(x, y, c)

    def text(self, x, y, s, c, scale=1):
        for ch in s:
            rows = FONT[ch]
            for j, row in enumerate(rows):
                for i, bit in enumerate(row):
                    if bit == "#":
                        self.rect(x + i * scale, y + j * scale, x + (i + 1) * scale - 1,
                                  y + (j + 1) * scale - 1, c)
            x += (len(rows[0]) + 1) * scale

    def xpm(self, name):
        used = sorted({c for row in self.px for c in row})
        lines = ['/* XPM */', 'static const char *%s[] = {' % name,
                 '"%d %d %d 1",' % (self.w, self.h, len(used))]
        for c in used:
            lines.append('"%s c %s",' % (c, PALETTE[c] or "None"))
        body = ['"%s"' % "".join(row) for row in self.px]
        lines.append(",\n".join(body))
        lines.append("};")
        return "\n".join(lines) + "\n"

    def bmp(self, background="#F0F0F0"):
        """A 24-bit Windows bitmap; transparent pixels take `background`."""
        row_size = (self.w * 3 + 3) // 4 * 4
        pixels = bytearray()
        for row in reversed(self.px):  # bottom row first
            line = bytearray()
            for c in row:
                colour = PALETTE[c] or background
                r, g, b = (int(colour[i:i + 2], 16) for i in (1, 3, 5))
                line += bytes((b, g, r))
            pixels += line + bytes(row_size - len(line))
        header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(pixels),
                           2835, 2835, 0, 0)
        return header + info + bytes(pixels)


# 3x5 digits and capitals for the socket labels.
FONT = {
    "C": ["###", "#..", "#..", "#..", "###"],
    "H": ["#.#", "#.#", "###", "#.#", "#.#"],
    "1": [".#.", "##.", ".#.", ".#.", "###"],
    "2": ["###", "..#", "###", "#..", "###"],
    " ": ["...", "...", "...", "...", "..."],
}


def chip(cv, x0, y0, x1, y1, pins=4, body="d"):
    """A DIP chip seen from above, pins left and right, pin-1 dot."""
    step = (y1 - y0 - 2) / pins
    for i in range(pins):
        y = int(y0 + 2 + i * step + step / 2 - 1)
        cv.rect(x0 - 2, y, x0 - 1, y + 1, "G")
        cv.rect(x1 + 1, y, x1 + 2, y + 1, "G")
    cv.box(x0, y0, x1, y1, body)
    cv.disc(x0 + 3, y0 + 3, 1.2, "G")


# ---------------------------------------------------------------- buttons ---

def icon_open():
    cv = Canvas(32, 32)
    cv.polygon([(2, 7), (11, 7), (14, 10), (28, 10), (28, 27), (2, 27)], "Y")
    cv.outline([(2, 7), (11, 7), (14, 10), (28, 10), (28, 27), (2, 27)], "k")
    cv.rect(4, 12, 26, 14, "w")
    cv.polygon([(7, 15), (31, 15), (26, 28), (2, 28)], "y")
    cv.outline([(7, 15), (30, 15), (26, 27), (2, 27)], "k")
    return cv


def icon_save():
    cv = Canvas(32, 32)
    cv.polygon([(3, 3), (25, 3), (29, 7), (29, 29), (3, 29)], "b")
    cv.outline([(3, 3), (25, 3), (29, 7), (29, 29), (3, 29)], "B")
    cv.box(8, 3, 23, 11, "G", "B")
    cv.rect(18, 5, 21, 9, "B")
    cv.box(7, 16, 25, 29, "w", "B")
    for y in (19, 22, 25):
        cv.line((10, y), (22, y), "c")
    return cv


def icon_fill():
    cv = Canvas(32, 32)
    # A bucket tipped to the right, paint running from its lip.
    a = math.radians(50)

    def turn(x, y, cx=11, cy=15):
        return (cx + x * math.cos(a) - y * math.sin(a), cy + x * math.sin(a) + y * math.cos(a))

    body = [turn(-7, -6), turn(7, -6), turn(5, 8), turn(-5, 8)]
    cv.polygon(body, "G")
    cv.outline(body, "k")
    cv.line(turn(-3, 1), turn(3, 1), "g")
    lip = [turn(-8, -7), turn(8, -7), turn(8, -5), turn(-8, -5)]
    cv.polygon(lip, "d")
    rx, ry = turn(7, -6)
    cv.polygon([(rx - 2, ry - 1), (rx + 2, ry - 1), (rx + 2, 25), (rx - 1, 25)], "b")
    cv.disc(rx + 0.5, 25.5, 2.4, "b")
    cv.polygon([(rx - 7, 29), (rx + 7, 29), (rx + 5, 31), (rx - 5, 31)], "b")
    return cv


def icon_auto():
    cv = Canvas(32, 32)
    bolt = [(18, 1), (6, 18), (14, 18), (11, 31), (26, 12), (17, 12), (22, 1)]
    cv.polygon(bolt, "y")
    cv.outline(bolt, "o")
    return cv


def icon_blank_check():
    cv = Canvas(32, 32)
    chip(cv, 5, 4, 19, 22)
    cv.ring(19, 18, 8.5, 6, "B")
    cv.disc(19, 18, 6, "c")
    cv.line((25, 24), (30, 29), "k", 3)
    return cv


def icon_erase():
    cv = Canvas(32, 32)
    cv.polygon([(3, 21), (15, 9), (21, 15), (9, 27)], "w")
    cv.polygon([(15, 9), (21, 3), (29, 11), (21, 15)], "p")
    cv.outline([(3, 21), (21, 3), (29, 11), (11, 29), (9, 27)], "k")
    cv.line((15, 9), (21, 15), "P", 2)
    cv.line((9, 27), (11, 29), "k")
    cv.line((3, 21), (9, 27), "k")
    cv.line((14, 29), (30, 29), "g")
    return cv


def icon_write():
    cv = Canvas(32, 32)
    # A pencil from the top right to the bottom left.
    cv.line((24, 7), (10, 21), "y", 7)
    cv.line((26, 5), (28, 3), "p", 6)
    cv.line((23, 8), (24, 7), "g", 6)
    cv.polygon([(4, 28), (6, 20), (12, 26)], "s")
    cv.polygon([(3, 29), (4, 25), (7, 28)], "k")
    cv.line((7, 21), (23, 5), "Y")
    cv.line((11, 25), (27, 9), "Y")
    return cv


def icon_read():
    cv = Canvas(32, 32)
    chip(cv, 8, 2, 23, 14)
    arrow = [(13, 16), (18, 16), (18, 22), (23, 22), (15.5, 30), (8, 22), (13, 22)]
    cv.polygon(arrow, "n")
    cv.outline(arrow, "N")
    return cv


def icon_verify():
    cv = Canvas(32, 32)
    cv.box(5, 3, 23, 28, "w", "d")
    for y in (8, 12, 16):
        cv.line((8, y), (20, y), "g")
    cv.line((12, 20), (17, 26), "n", 4)
    cv.line((17, 26), (28, 9), "n", 4)
    return cv


def icon_mass():
    cv = Canvas(32, 32)
    for x, y in [(13, 2), (8, 10), (3, 18)]:
        chip(cv, x + 2, y, x + 16, y + 10, pins=3)
    return cv


def icon_stop():
    cv = Canvas(32, 32)
    c, r = 15.5, 14.5
    octagon = [(c + r * math.cos(math.radians(22.5 + 45 * i)),
                c + r * math.sin(math.radians(22.5 + 45 * i))) for i in range(8)]
    cv.polygon(octagon, "r")
    cv.outline(octagon, "R")
    cv.rect(8, 13, 23, 18, "w")
    return cv


def icon_dev_info():
    cv = Canvas(32, 32)
    # The programmer: a case with a socket and its lever, and the cable.
    cv.box(2, 9, 25, 27, "G", "d")
    cv.box(6, 13, 19, 23, "k", "k")
    for y in (15, 18, 21):
        for x in (8, 17):
            cv.put(x, y, "g")
    cv.line((20, 14), (22, 5), "r", 2)
    cv.disc(22, 5, 1.6, "r")
    cv.rect(26, 16, 28, 19, "d")
    cv.line((29, 17), (30, 30), "k", 2)
    cv.disc(22, 25, 1.2, "n")
    return cv


def icon_about():
    cv = Canvas(32, 32)
    cv.disc(15.5, 15.5, 14, "b")
    cv.ring(15.5, 15.5, 14, 12.8, "B")
    cv.disc(15.5, 8.5, 2.2, "w")
    cv.rect(14, 13, 17, 24, "w")
    cv.rect(12, 13, 14, 14, "w")
    cv.rect(12, 23, 19, 24, "w")
    return cv


# ----------------------------------------------------- socket pictures ---

def socket_picture(chips, label_board=True):
    """Two 8-pin sockets, CH1 left and CH2 right, with chips where given."""
    cv = Canvas(200, 110)
    cv.box(0, 0, 199, 109, "t", "T")
    for n, x in ((1, 22), (2, 120)):
        if label_board:
            cv.text(x + 12, 8, "CH%d" % n, "w", scale=3)
        cv.box(x, 30, x + 58, 100, "k", "K")
        for i in range(4):
            y = 40 + i * 15
            cv.box(x + 6, y, x + 13, y + 7, "d", "g")
            cv.box(x + 45, y, x + 52, y + 7, "d", "g")
        cv.rect(x + 26, 30, x + 32, 34, "G")  # notch side: pin 1 at the top left
        if n in chips:
            chip(cv, x + 13, 36, x + 45, 96, pins=4, body="d")
    return cv


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    pictures = {
        "Open": icon_open(),
        "Save": icon_save(),
        "Fill": icon_fill(),
        "Auto": icon_auto(),
        "BlankCheck": icon_blank_check(),
        "Erase": icon_erase(),
        "Write": icon_write(),
        "Read": icon_read(),
        "Verify": icon_verify(),
        "Mass": icon_mass(),
        "Stop": icon_stop(),
        "DevInfo": icon_dev_info(),
        "About": icon_about(),
        "SocketCH1": socket_picture({1}),
        "SocketEmpty": socket_picture(set()),
        "SocketCH2": socket_picture({2}),
        "SocketBoth": socket_picture({1, 2}),
    }
    for name, cv in pictures.items():
        with open(os.path.join(here, name + ".xpm"), "w", encoding="ascii") as f:
            f.write(cv.xpm(name.lower() + "_xpm"))
    # The mass button's two pictures, loaded from the Icon folder beside the
    # program when mass production starts and stops.
    for name in ("Mass", "Stop"):
        with open(os.path.join(here, name + ".bmp"), "wb") as f:
            f.write(pictures[name].bmp())


if __name__ == "__main__":
    main()
