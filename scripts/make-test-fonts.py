#!/usr/bin/env python3
"""Writes the two test fonts whose geometry tests can compute: HtMono.ttf and HtBox.ttf.

Both have 1000 units per em, every glyph advances 500, ascender 800, descender -200, no line gap, and the same
numbers in their OS/2 and hhea tables, so that at 20 px every character is 10 px wide and a line is 20 px high
(ascent 16, descent 4). They cover Latin-1 (U+0020-U+007E, U+00A0-U+00FF, the soft hyphen included); any other
character falls back to the .notdef glyph, which advances 500 as well.

  HtMono: simple stroked shapes, a different one for every character but the two blanks.
  HtBox:  every glyph but space and no-break space is a filled rectangle x 50-450, y -200-800, so that at 20 px a
          character cell [x, x + 10) x [top, top + 20) has black pixels in columns [x + 1, x + 9) and every row.

Usage: make-test-fonts.py OUTPUT_DIR
"""

import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen

UNITS_PER_EM = 1000
ADVANCE = 500
ASCENT = 800
DESCENT = -200
# A fixed date (seconds since 1904) keeps the files byte-for-byte the same on every build.
TIMESTAMP = 3786825600

BOX = (50, DESCENT, 450, ASCENT)
BLANKS = (0x20, 0xA0)
CHARACTERS = list(range(0x20, 0x7F)) + list(range(0xA0, 0x100))

# Stroked shapes on a small grid: x 0..4 across the cell, y 0 the baseline, 4 the x-height, 6 the cap height,
# negative rows descend. A shape is polylines separated by ";"; a polyline of one point is a dot.
SHAPES = {
    "!": "2,6 2,2; 2,0", '"': "1,6 1,4.5; 3,6 3,4.5", "#": "1,0 1,6; 3,0 3,6; 0,2 4,2; 0,4 4,4",
    "$": "4,6 1,6 0,5 0,4 1,3 3,3 4,2 4,1 3,0 0,0; 2,6.8 2,-0.8", "%": "0,0 4,6; 0.5,5.5; 3.5,0.5",
    "&": "4,0 1,4 1,5 2,6 3,5 0,2 0,1 1,0 2,0 4,2", "'": "2,6 2,4.5", "(": "3,7 2,6 2,0 3,-1",
    ")": "1,7 2,6 2,0 1,-1", "*": "2,6 2,2; 0,5 4,3; 0,3 4,5", "+": "2,1 2,5; 0,3 4,3", ",": "2,0.5 1,-1",
    "-": "1,3 3,3", ".": "2,0", "/": "0,0 4,6",
    "0": "1,0 0,1 0,5 1,6 3,6 4,5 4,1 3,0 1,0; 3,5 1,1", "1": "1,5 2,6 2,0; 1,0 3,0",
    "2": "0,5 1,6 3,6 4,5 4,4 0,0 4,0", "3": "0,6 4,6 2,3.5 3,3.5 4,2.5 4,1 3,0 0,0", "4": "3,0 3,6 0,2 4,2",
    "5": "4,6 0,6 0,3.5 3,3.5 4,2.5 4,1 3,0 0,0", "6": "4,6 1,6 0,5 0,1 1,0 3,0 4,1 4,2 3,3 0,3",
    "7": "0,6 4,6 1,0", "8": "1,3 0,4 0,5 1,6 3,6 4,5 4,4 3,3 1,3 0,2 0,1 1,0 3,0 4,1 4,2 3,3",
    "9": "4,3 1,3 0,4 0,5 1,6 3,6 4,5 4,1 3,0 0,0",
    ":": "2,4; 2,0.5", ";": "2,4; 2,0.5 1,-1", "<": "4,5 0,3 4,1", "=": "0,2 4,2; 0,4 4,4", ">": "0,5 4,3 0,1",
    "?": "0,5 1,6 3,6 4,5 4,4 2,3 2,2; 2,0", "@": "3,2 3,4 1,4 1,2 4,2 4,5 3,6 1,6 0,5 0,1 1,0 4,0",
    "A": "0,0 2,6 4,0; 1,2 3,2", "B": "0,0 0,6 3,6 4,5 4,4 3,3 0,3; 3,3 4,2 4,1 3,0 0,0",
    "C": "4,6 1,6 0,5 0,1 1,0 4,0", "D": "0,0 0,6 3,6 4,5 4,1 3,0 0,0", "E": "4,6 0,6 0,0 4,0; 0,3 3,3",
    "F": "4,6 0,6 0,0; 0,3 3,3", "G": "4,6 1,6 0,5 0,1 1,0 4,0 4,3 2,3", "H": "0,0 0,6; 4,0 4,6; 0,3 4,3",
    "I": "1,6 3,6; 2,6 2,0; 1,0 3,0", "J": "4,6 4,1 3,0 1,0 0,1", "K": "0,0 0,6; 4,6 0,2; 1,3 4,0",
    "L": "0,6 0,0 4,0", "M": "0,0 0,6 2,3 4,6 4,0", "N": "0,0 0,6 4,0 4,6",
    "O": "1,0 0,1 0,5 1,6 3,6 4,5 4,1 3,0 1,0", "P": "0,0 0,6 3,6 4,5 4,4 3,3 0,3",
    "Q": "1,0 0,1 0,5 1,6 3,6 4,5 4,1 3,0 1,0; 2,2 4,-1", "R": "0,0 0,6 3,6 4,5 4,4 3,3 0,3; 2,3 4,0",
    "S": "4,6 1,6 0,5 0,4 1,3 3,3 4,2 4,1 3,0 0,0", "T": "0,6 4,6; 2,6 2,0",
    "U": "0,6 0,1 1,0 3,0 4,1 4,6", "V": "0,6 2,0 4,6", "W": "0,6 1,0 2,3 3,0 4,6", "X": "0,6 4,0; 0,0 4,6",
    "Y": "0,6 2,3 4,6; 2,3 2,0", "Z": "0,6 4,6 0,0 4,0",
    "[": "3,7 2,7 2,-1 3,-1", "\\": "0,6 4,0", "]": "1,7 2,7 2,-1 1,-1", "^": "0,4 2,6 4,4", "_": "0,-1 4,-1",
    "`": "1,6 2,5",
    "a": "1,4 4,4 4,0 1,0 0,1 1,2 4,2", "b": "0,6 0,0 3,0 4,1 4,3 3,4 0,4", "c": "4,4 1,4 0,3 0,1 1,0 4,0",
    "d": "4,6 4,0 1,0 0,1 0,3 1,4 4,4", "e": "0,2 4,2 4,3 3,4 1,4 0,3 0,1 1,0 4,0",
    "f": "4,6 2,6 1,5 1,0; 0,4 3,4", "g": "4,4 4,-1 3,-2 0,-2; 4,4 1,4 0,3 0,1 1,0 4,0",
    "h": "0,6 0,0; 0,4 3,4 4,3 4,0", "i": "2,4 2,0; 2,5.5", "j": "3,4 3,-1 2,-2 0,-2; 3,5.5",
    "k": "0,6 0,0; 4,4 0,1; 1,2 4,0", "l": "1,6 2,6 2,1 3,0", "m": "0,0 0,4 1,4 2,3 2,0; 2,3 3,4 4,3 4,0",
    "n": "0,0 0,4; 0,3 1,4 3,4 4,3 4,0", "o": "1,0 0,1 0,3 1,4 3,4 4,3 4,1 3,0 1,0",
    "p": "0,-2 0,4 3,4 4,3 4,1 3,0 0,0", "q": "4,-2 4,4 1,4 0,3 0,1 1,0 4,0", "r": "0,0 0,4; 0,3 1,4 4,4",
    "s": "4,4 1,4 0,3 1,2 3,2 4,1 3,0 0,0", "t": "2,6 2,1 3,0 4,0; 0,4 4,4", "u": "0,4 0,1 1,0 3,0 4,1; 4,4 4,0",
    "v": "0,4 2,0 4,4", "w": "0,4 1,0 2,2 3,0 4,4", "x": "0,4 4,0; 0,0 4,4", "y": "0,4 2,0; 4,4 1,-2",
    "z": "0,4 4,4 0,0 4,0",
    "{": "3,7 2,6 2,4 1,3 2,2 2,0 3,-1", "|": "2,7 2,-1", "}": "1,7 2,6 2,4 3,3 2,2 2,0 1,-1",
    "~": "0,3 1,4 3,3 4,4",
    "\u00a1": "2,4; 2,2 2,-2", "\u00a2": "4,4 1,4 0,3 0,1 1,0 4,0; 2,5 2,-1",
    "\u00a3": "4,5 3,6 2,6 1,5 1,0 4,0; 0,3 3,3", "\u00a4": "1,1 0,0; 3,1 4,0; 1,3 0,4; 3,3 4,4; 1,1 1,3 3,3 3,1 1,1",
    "\u00a5": "0,6 2,3 4,6; 2,3 2,0; 0,1.5 4,1.5", "\u00a6": "2,7 2,4; 2,2 2,-1",
    "\u00a7": "4,6 1,6 0,5 1,4 3,4 4,3 3,2 1,2 0,1 1,0 4,0", "\u00a8": "1,5.5; 3,5.5",
    "\u00a9": "1,0 0,1 0,5 1,6 3,6 4,5 4,1 3,0 1,0; 3,4 1.5,4 1.5,2 3,2", "\u00aa": "1,6 3,6 3,4 1,4 1,5 3,5; 1,3 3,3",
    "\u00ab": "2,4 0,2.5 2,1; 4,4 2,2.5 4,1", "\u00ac": "0,3 4,3 4,1.5", "\u00ad": "0.5,3 3.5,3",
    "\u00ae": "1,0 0,1 0,5 1,6 3,6 4,5 4,1 3,0 1,0; 1.5,1.5 1.5,4.5 3,4.5 3,3 1.5,3 3,1.5", "\u00af": "0,6.5 4,6.5",
    "\u00b0": "2,6.5 3,5.5 2,4.5 1,5.5 2,6.5", "\u00b1": "2,2 2,6; 0,4 4,4; 0,0.5 4,0.5",
    "\u00b2": "1,6 3,6 3,5 1,4 3,4", "\u00b3": "1,6 3,6 3,4 1,4; 1.5,5 3,5", "\u00b4": "2,5 3,6",
    "\u00b5": "0,-2 0,4; 0,1 1,0 3,0 4,1; 4,4 4,0", "\u00b6": "2,0 2,6 4,6 4,0; 2,6 1,6 0,5 1,4 2,4", "\u00b7": "2,3",
    "\u00b8": "2,0 2,-1 1,-2", "\u00b9": "1.5,5.5 2,6 2,4; 1.5,4 2.5,4", "\u00ba": "1,4 3,4 3,6 1,6 1,4; 1,3 3,3",
    "\u00bb": "0,4 2,2.5 0,1; 2,4 4,2.5 2,1", "\u00bc": "0,5.5 1,6 1,3; 4,6 0,0; 3,0 3,3 2,1 4,1",
    "\u00bd": "0,5.5 1,6 1,3; 4,6 0,0; 2,3 4,3 4,2 2,1 2,0 4,0", "\u00be": "0,6 1,6 0.5,4.5 1,3 0,3; 4,6 0,0; 3,0 3,3 2,1 4,1",
    "\u00bf": "2,4; 2,2 2,1 0,0 0,-1 1,-2 3,-2 4,-1",
    "\u00c6": "0,0 1.5,6 4,6; 2,6 2,0 4,0; 0.75,3 3.5,3", "\u00d0": "0,0 0,6 3,6 4,5 4,1 3,0 0,0; 0,3 1.5,3",
    "\u00d7": "0.5,1 3.5,4; 0.5,4 3.5,1", "\u00de": "0,0 0,6; 0,5 3,5 4,4 4,2 3,1 0,1",
    "\u00df": "0,0 0,5 1,6 3,6 4,5 3,4 4,3 4,1 3,0 2,0", "\u00e6": "0,4 2,4 2,0 0,0 0,2 2,2; 2,2 4,2 4,4 2,4; 2,0 4,0",
    "\u00f0": "1,0 0,1 0,3 1,4 4,4 4,1 3,0 1,0; 4,4 2,6; 2,5.5 4,5", "\u00f7": "0,3 4,3; 2,5; 2,1",
    "\u00fe": "0,6 0,-2; 0,4 3,4 4,3 4,1 3,0 0,0",
}

# Marks added to a base shape: (shape with y from 0 up, drawn above the base's top) or (shape, True) drawn as is.
MARKS = {
    "grave": "1,1 2.5,0", "acute": "1.5,0 3,1", "circumflex": "1,0 2,1 3,0", "tilde": "0.5,0.3 1.5,1 2.5,0.3 3.5,1",
    "diaeresis": "1,0.5; 3,0.5", "ring": "2,0 2.8,0.5 2,1 1.2,0.5 2,0",
}
BELOW = {"cedilla": "2,0 2,-0.8 1,-1.5"}
DOTLESS_I = "2,4 2,0"
NOTDEF = "0,0 0,6 4,6 4,0 0,0"  # an empty frame
# Latin-1 letters built from a base and a mark.
COMPOSED = {}
for first, base, marks in ((0xC0, "A", "grave acute circumflex tilde diaeresis ring"),
                           (0xC8, "E", "grave acute circumflex diaeresis"), (0xCC, "I", "grave acute circumflex diaeresis"),
                           (0xD2, "O", "grave acute circumflex tilde diaeresis"),
                           (0xD9, "U", "grave acute circumflex diaeresis"),
                           (0xE0, "a", "grave acute circumflex tilde diaeresis ring"),
                           (0xE8, "e", "grave acute circumflex diaeresis"), (0xEC, "\u0131", "grave acute circumflex diaeresis"),
                           (0xF2, "o", "grave acute circumflex tilde diaeresis"),
                           (0xF9, "u", "grave acute circumflex diaeresis")):
    for i, mark in enumerate(marks.split()):
        COMPOSED[chr(first + i)] = (base, mark)
COMPOSED.update({"\u00c7": ("C", "cedilla"), "\u00e7": ("c", "cedilla"), "\u00d1": ("N", "tilde"),
                 "\u00f1": ("n", "tilde"), "\u00d8": ("O", "stroke"), "\u00f8": ("o", "stroke"),
                 "\u00dd": ("Y", "acute"), "\u00fd": ("y", "acute"), "\u00ff": ("y", "diaeresis")})

STROKE = 35  # half the stroke width, in units


def parse(shape):
    return [[tuple(float(v) for v in point.split(",")) for point in line.split()] for line in shape.split(";")]


def shifted(shape, dy):
    return [[(x, y + dy) for x, y in line] for line in parse(shape)]


def strokes_of(char):
    """The polylines of a character in grid units."""
    if char in SHAPES:
        return parse(SHAPES[char])
    base, mark = COMPOSED[char]
    lines = parse(DOTLESS_I if base == "\u0131" else SHAPES[base])
    top = 6.5 if base.isupper() else 4.8
    if mark in MARKS:
        return lines + shifted(MARKS[mark], top)
    if mark in BELOW:
        return lines + shifted(BELOW[mark], 0)
    return lines + [[(0, -0.5), (4, (6 if base.isupper() else 4) + 0.5)]]  # the stroke through O and o


def to_units(x, y):
    # Descending rows are closer together, so that the lowest strokes stay above the descender.
    return 90 + 80 * x, 100 * y if y >= 0 else 75 * y


def quad(p, q):
    """A rectangle around the segment p-q (a square around a dot), extended by the half width at both ends."""
    (x0, y0), (x1, y1) = p, q
    dx, dy = x1 - x0, y1 - y0
    length = (dx * dx + dy * dy) ** 0.5
    ux, uy = (dx / length, dy / length) if length else (1.0, 0.0)
    nx, ny = -uy * STROKE, ux * STROKE
    ax, ay = x0 - ux * STROKE, y0 - uy * STROKE
    bx, by = x1 + ux * STROKE, y1 + uy * STROKE
    points = [(ax + nx, ay + ny), (bx + nx, by + ny), (bx - nx, by - ny), (ax - nx, ay - ny)]
    points = [(round(x), round(y)) for x, y in points]
    area = sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]))
    return points if area < 0 else points[::-1]  # clockwise, as outer contours are


def draw_contours(contours):
    pen = TTGlyphPen(None)
    for contour in contours:
        pen.moveTo(contour[0])
        for point in contour[1:]:
            pen.lineTo(point)
        pen.closePath()
    return pen.glyph()


def mono_contours(lines):
    contours = []
    for line in lines:
        points = [to_units(x, y) for x, y in line]
        if len(points) == 1:
            contours.append(quad(points[0], points[0]))
        contours += [quad(a, b) for a, b in zip(points, points[1:])]
    return contours


def box_contours():
    x0, y0, x1, y1 = BOX
    return [[(x0, y0), (x0, y1), (x1, y1), (x1, y0)]]


def glyph_name(code):
    return "space" if code == 0x20 else "uni%04X" % code


def build(family, contours_of, path):
    """contours_of(char) gives a character's contours, contours_of(None) those of the .notdef glyph."""
    order = [".notdef"] + [glyph_name(c) for c in CHARACTERS]
    contours = {".notdef": contours_of(None)}
    for code in CHARACTERS:
        contours[glyph_name(code)] = [] if code in BLANKS else contours_of(chr(code))
    glyphs = {name: draw_contours(c) for name, c in contours.items()}
    fb = FontBuilder(UNITS_PER_EM, isTTF=True)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap({code: glyph_name(code) for code in CHARACTERS})
    fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics({name: (ADVANCE, min((x for c in contours[name] for x, _ in c), default=0))
                               for name in order})
    fb.setupHorizontalHeader(ascent=ASCENT, descent=DESCENT, lineGap=0)
    fb.setupNameTable({"familyName": family, "styleName": "Regular", "uniqueFontIdentifier": family + " test font",
                       "fullName": family, "psName": family, "version": "Version 1.0"})
    fb.setupOS2(sTypoAscender=ASCENT, sTypoDescender=DESCENT, sTypoLineGap=0, usWinAscent=ASCENT,
                usWinDescent=-DESCENT, xAvgCharWidth=ADVANCE, sxHeight=400, sCapHeight=600, yStrikeoutSize=50,
                yStrikeoutPosition=250, achVendID="PEXU", fsType=0)
    fb.setupPost(isFixedPitch=1, underlinePosition=-100, underlineThickness=50)
    fb.updateHead(created=TIMESTAMP, modified=TIMESTAMP)
    fb.font.recalcTimestamp = False
    fb.save(path)


def check_mono_shapes_differ():
    seen = {}
    for code in CHARACTERS:
        if code in BLANKS:
            continue
        key = tuple(map(tuple, mono_contours(strokes_of(chr(code)))))
        if key in seen:
            sys.exit("make-test-fonts: U+%04X draws like U+%04X" % (code, seen[key]))
        seen[key] = code


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    check_mono_shapes_differ()
    build("HtMono", lambda c: mono_contours(strokes_of(c) if c else parse(NOTDEF)), os.path.join(out, "HtMono.ttf"))
    build("HtBox", lambda c: box_contours(), os.path.join(out, "HtBox.ttf"))


if __name__ == "__main__":
    main()
