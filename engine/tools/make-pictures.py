#!/usr/bin/env python3
"""Draws the small pictures of the program folder (resources/pics): the link icons and page decorations of the
generated pages as GIF files, the pictures of the sample catalogue as PNG files and the page banner as a PPM file,
which ppm2jpeg.c turns into seitenkopf.jpg. Run once by hand; the results are committed."""
import math
import struct
import sys
import zlib

FONT = {  # 5 x 7 glyphs, one string of 5 bits per row
    '?': ["01110", "10001", "00001", "00110", "00100", "00000", "00100"],
    'L': ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    'F': ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    'k': ["10000", "10000", "10010", "10100", "11000", "10100", "10010"],
    'V': ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    'U': ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'h': ["10000", "10000", "10110", "11001", "10001", "10001", "10001"],
    'm': ["00000", "00000", "11010", "10101", "10101", "10101", "10101"],
    '=': ["00000", "00000", "11111", "00000", "11111", "00000", "00000"],
    '1': ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    '2': ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    '4': ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    '0': ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    'P': ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    'e': ["00000", "00000", "01110", "10001", "11111", "10000", "01110"],
    'x': ["00000", "00000", "10001", "01010", "00100", "01010", "10001"],
    'u': ["00000", "00000", "10001", "10001", "10001", "10011", "01101"],
    'S': ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    't': ["01000", "01000", "11100", "01000", "01000", "01001", "00110"],
    'a': ["00000", "00000", "01110", "00001", "01111", "10001", "01111"],
    'i': ["00100", "00000", "01100", "00100", "00100", "00100", "01110"],
    's': ["00000", "00000", "01110", "10000", "01110", "00001", "11110"],
    ' ': ["00000"] * 7,
}


class Canvas:
    def __init__(self, w, h, bg=0):
        self.w, self.h = w, h
        self.px = [[bg] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c, fill=False):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                if fill or x in (x0, x1) or y in (y0, y1):
                    self.set(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            self.set(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)

    def text(self, x, y, s, c, scale=1):
        for ch in s:
            for r, row in enumerate(FONT[ch]):
                for k, bit in enumerate(row):
                    if bit == '1':
                        self.rect(x + k * scale, y + r * scale, x + k * scale + scale - 1, y + r * scale + scale - 1,
                                  c, True)
            x += 6 * scale


def write_gif(path, canvas, palette):
    """GIF87a with a 256-entry table; LZW kept at 9-bit codes by a clear code every 254 pixels."""
    table = palette + [(0, 0, 0)] * (256 - len(palette))
    out = bytearray(b"GIF87a" + struct.pack("<HHBBB", canvas.w, canvas.h, 0xF7, 0, 0))
    for r, g, b in table:
        out += bytes((r, g, b))
    out += b"," + struct.pack("<HHHHB", 0, 0, canvas.w, canvas.h, 0) + bytes((8,))
    codes = [256]
    pixels = [p for row in canvas.px for p in row]
    for i, p in enumerate(pixels):
        if i and i % 254 == 0:
            codes.append(256)
        codes.append(p)
    codes.append(257)
    bits = 0
    nbits = 0
    data = bytearray()
    for code in codes:
        bits |= code << nbits
        nbits += 9
        while nbits >= 8:
            data.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8
    if nbits:
        data.append(bits & 0xFF)
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out += bytes((len(chunk),)) + chunk
    out += b"\x00;"
    with open(path, "wb") as f:
        f.write(out)


def write_png(path, canvas, palette):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + bytes(b for p in row for b in palette[p]) for row in canvas.px)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", canvas.w, canvas.h, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def icon(path, letter, colour):
    c = Canvas(16, 16, 0)
    c.rect(0, 0, 15, 15, 2)
    c.rect(1, 1, 14, 14, 1, True)
    c.text(5, 4, letter, 2)
    write_gif(path, c, [(255, 255, 255), colour, (32, 32, 96)])


def resistor(c, x, y, w, h, colour):
    c.rect(x, y, x + w, y + h, colour)


def write_ppm(path, canvas, palette):
    with open(path, "wb") as f:
        f.write(b"P6 %d %d 255\n" % (canvas.w, canvas.h))
        f.write(bytes(b for row in canvas.px for p in row for b in palette[p]))


def dot(path, colour):
    c = Canvas(8, 12, 0)
    for y in range(12):
        for x in range(8):
            if (x - 3.5) ** 2 + (y - 5.5) ** 2 <= 12:
                c.set(x, y, 1)
    write_gif(path, c, [(255, 255, 255), colour])


def decorations(out):
    write_gif(out + "/clearpix.gif", Canvas(1, 1, 0), [(255, 255, 255)])
    dot(out + "/gdot.gif", (0, 160, 0))
    dot(out + "/rdot.gif", (208, 0, 0))
    c = Canvas(400, 2, 0)
    c.rect(0, 1, 399, 1, 1, True)
    write_gif(out + "/hr2.gif", c, [(160, 160, 208), (96, 96, 160)])
    c = Canvas(2, 100, 0)
    c.rect(1, 0, 1, 99, 1, True)
    write_gif(out + "/vr.gif", c, [(160, 160, 208), (96, 96, 160)])
    # The logo: an antenna mast with waves.
    c = Canvas(48, 48, 0)
    c.line(24, 14, 14, 46, 1)
    c.line(24, 14, 34, 46, 1)
    c.line(18, 34, 30, 34, 1)
    c.line(16, 40, 32, 40, 1)
    c.rect(22, 10, 26, 14, 2, True)
    for r in (8, 14, 20):
        for a in range(-50, 51, 3):
            for side in (-1, 1):
                t = math.radians(a)
                c.set(round(24 + side * r * math.cos(t)), round(12 + r * math.sin(t) * 0.9), 2)
    write_gif(out + "/hglogo.gif", c, [(255, 255, 255), (32, 32, 96), (208, 0, 0)])
    # The banner of the statistics pages, 740 x 65.
    c = Canvas(740, 65, 0)
    for y in range(65):
        for x in range(740):
            c.px[y][x] = min(7, x // 106)
    c.text(24, 18, "Pexu Statistik", 8, 4)
    write_ppm(out + "/seitenkopf.ppm", c, [(224 - 8 * i, 224 - 8 * i, 255) for i in range(8)] + [(32, 32, 96)])


def main(out):
    icon(out + "/qm.gif", '?', (208, 224, 255))
    icon(out + "/L.gif", 'L', (208, 255, 208))
    icon(out + "/F.gif", 'F', (255, 208, 208))
    decorations(out)
    palette = [(255, 255, 255), (0, 0, 0), (0, 0, 160), (208, 0, 0)]

    # Voltage divider: 10 V across 1 kOhm over 4 kOhm, the output taken across the lower resistor.
    c = Canvas(220, 160)
    c.line(40, 20, 120, 20, 1)
    c.line(40, 140, 120, 140, 1)
    c.line(40, 20, 40, 140, 1)
    c.rect(34, 70, 46, 90, 1, False)
    c.line(34, 75, 46, 75, 1)
    c.text(4, 76, "10V", 2)
    c.line(120, 20, 120, 30, 1)
    resistor(c, 114, 30, 12, 32, 1)
    c.line(120, 62, 120, 90, 1)
    resistor(c, 114, 90, 12, 32, 1)
    c.line(120, 122, 120, 140, 1)
    c.text(132, 42, "1k", 2)
    c.text(132, 102, "4k", 2)
    c.line(120, 76, 180, 76, 1)
    c.line(120, 140, 180, 140, 1)
    c.line(190, 80, 190, 136, 3)
    c.line(186, 132, 190, 136, 3)
    c.line(194, 132, 190, 136, 3)
    c.text(196, 104, "U", 3)
    write_png(out + "/ta105.png", c, palette)

    # Horizontal pattern of a directional antenna: a long main lobe forward, small side and back lobes.
    c = Canvas(200, 200)
    cx, cy = 60, 100
    for ring in (30, 60, 90, 120):
        for a in range(0, 360, 2):
            c.set(round(cx + ring * math.cos(math.radians(a))), round(cy + ring * math.sin(math.radians(a))), 2)
    c.line(cx - 50, cy, 195, cy, 2)
    prev = None
    for a in range(0, 361):
        t = math.radians(a)
        g = abs(math.cos(t)) ** 3 * (1.0 if math.cos(t) > 0 else 0.18) + 0.08 * abs(math.sin(3 * t))
        p = (round(cx + 125 * g * math.cos(t)), round(cy + 125 * g * math.sin(t)))
        if prev:
            c.line(prev[0], prev[1], p[0], p[1], 3)
        prev = p
    write_png(out + "/tc103.png", c, palette)

    # Two resistors of 100 Ohm in series.
    c = Canvas(240, 80)
    c.line(10, 40, 50, 40, 1)
    resistor(c, 50, 32, 50, 16, 1)
    c.line(100, 40, 140, 40, 1)
    resistor(c, 140, 32, 50, 16, 1)
    c.line(190, 40, 230, 40, 1)
    c.rect(8, 38, 11, 41, 1, True)
    c.rect(228, 38, 231, 41, 1, True)
    c.text(50, 14, "100 Ohm", 2)
    c.text(140, 14, "100 Ohm", 2)
    write_png(out + "/ea110.png", c, palette)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/pics")
