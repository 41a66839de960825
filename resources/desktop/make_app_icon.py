#!/usr/bin/env python3
"""Draws the program's desktop icon: a chip in a ZIF socket, as tessary.svg
and as PNG files in the usual hicolor sizes (tessary-NN.png). Run it after
changing the drawing; the files it writes are kept in the repository."""
import struct
import zlib

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

# The drawing on a 64 x 64 grid: (kind, x, y, w, h, colour) rectangles with
# rounded corners of radius r, drawn in order.
SOCKET = (0x1F, 0x5F, 0x8F)
LEVER = (0xE0, 0xA0, 0x20)
CHIP = (0x22, 0x22, 0x22)
PIN = (0xC8, 0xC8, 0xC8)
DOT = (0xF0, 0xF0, 0xF0)

SHAPES = [("rect", 4, 4, 56, 56, 8, SOCKET), ("rect", 48, 8, 6, 20, 3, LEVER)]
for i in range(4):
    SHAPES.append(("rect", 14, 18 + i * 9, 36, 4, 1, PIN))
SHAPES.append(("rect", 20, 14, 24, 40, 3, CHIP))
SHAPES.append(("circle", 26, 20, 2.5, 0, 0, DOT))


def inside(shape, x, y):
    kind, sx, sy, w, h, r, _ = shape
    if kind == "circle":
        return (x - sx) ** 2 + (y - sy) ** 2 <= w * w
    if not (sx <= x <= sx + w and sy <= y <= sy + h):
        return False
    cx = min(max(x, sx + r), sx + w - r)
    cy = min(max(y, sy + r), sy + h - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def render(size, samples=4):
    rows = []
    scale = 64.0 / size
    for py in range(size):
        row = bytearray([0])  # filter type: none
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    colour = None
                    for shape in SHAPES:
                        if inside(shape, x, y):
                            colour = shape[6]
                    if colour:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 255
            n = samples * samples
            alpha = acc[3] // n
            if alpha:
                row += bytes([acc[0] * 255 // acc[3], acc[1] * 255 // acc[3], acc[2] * 255 // acc[3], alpha])
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return b"".join(rows)


def png(size, pixels):
    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b"")


def svg():
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">']
    for kind, x, y, w, h, r, c in SHAPES:
        fill = "#%02x%02x%02x" % c
        if kind == "circle":
            parts.append(f'  <circle cx="{x}" cy="{y}" r="{w}" fill="{fill}"/>')
        else:
            parts.append(f'  <rect x="{x}" y="{y}" width="{w}" height="{h}" rx="{r}" fill="{fill}"/>')
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


if __name__ == "__main__":
    for size in SIZES:
        with open(f"tessary-{size}.png", "wb") as f:
            f.write(png(size, render(size)))
    with open("tessary.svg", "w") as f:
        f.write(svg())
