#!/usr/bin/env python3
"""Builds the worked solutions of the technical questions as one-page PDF files.

make-solutions.py SOURCE_DIR OUTPUT_DIR

Reads the technical pools (TAfragen.txt for class A, TEfragen.txt for class E) and their worked solutions
(TAloesungen.txt, TEloesungen.txt) from SOURCE_DIR and writes OUTPUT_DIR/QX7RTZ/Klasse<class>/<id>.pdf, one per
question: the question and the worked solution, which ends in "Ergebnis: " + the question's right answer. Every
question of a pool needs a solution and every solution a question; a character outside Latin-1 is refused, except
the entities of SYMBOLS, which are set in the Symbol font. The files carry no date, so that the same sources give
the same bytes.
"""
import os
import shutil
import sys

POOLS = (("TAfragen.txt", "TAloesungen.txt", "A"), ("TEfragen.txt", "TEloesungen.txt", "E"))

# Entities for what Latin-1 lacks, as codes of the Symbol font's own encoding.
SYMBOLS = {"&pi;": 0x70, "&lambda;": 0x6C, "&tau;": 0x74, "&rho;": 0x72, "&epsilon;": 0x65, "&Delta;": 0x44,
           "&alpha;": 0x61, "&asymp;": 0xBB, "&radic;": 0xD6, "&rarr;": 0xAE, "&le;": 0xA3, "&ge;": 0xB3}
# Relation signs get some air after them (thousandths of the size): a reader without the Symbol font draws them
# from a wider font, which would close the gap to the next word.
AIR_AFTER = {0xBB: 250, 0xAE: 250, 0xA3: 250, 0xB3: 250}

# Helvetica's advance widths (thousandths of the font size) for ASCII 32-126; other characters count as 556.
HELVETICA = [278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,
             556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,
             1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,
             667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,
             333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,
             556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584]
HIGH_WIDTHS = {0xB2: 333, 0xB3: 333, 0xB7: 278, 0xB0: 400, 0xBD: 834, 0xD7: 584, 0xE4: 556, 0xF6: 556,
               0xFC: 556, 0xC4: 667, 0xD6: 778, 0xDC: 722, 0xDF: 611, 0xB5: 556}
BOLD_SCALE = 1.08  # the bold face runs a little wider
SYMBOL_WIDTH = 600

PAGE_WIDTH, PAGE_HEIGHT = 595, 842  # A4 in points
MARGIN = 56
TEXT_WIDTH = PAGE_WIDTH - 2 * MARGIN
BODY_SIZE, BODY_LEADING = 11, 15


class Failure(Exception):
    pass


def read_lines(path):
    with open(path, encoding="utf-8") as f:
        return [line.rstrip("\r\n") for line in f]


def read_pool(path):
    """{id: (question, right answer)} in catalogue order."""
    records, current = {}, None
    for line in read_lines(path):
        if line.startswith("::"):
            current = line[2:].strip()
            records[current] = ["", ""]
        elif current and line.startswith("F:"):
            records[current][0] = line[2:]
        elif current and line.startswith("R:") and not records[current][1]:
            records[current][1] = line[2:]
    return records


def read_solutions(path):
    """{id: [paragraph, ...]}: the lines after "::id" up to the next record; "#" starts a comment line."""
    solutions, current = {}, None
    for number, line in enumerate(read_lines(path), 1):
        if line.startswith("#") or (current is None and not line.strip()):
            continue
        if line.startswith("::"):
            current = line[2:].strip()
            if current in solutions:
                raise Failure("%s:%d: a second solution for %s" % (path, number, current))
            solutions[current] = []
        elif current is None:
            raise Failure("%s:%d: text before the first ::identifier" % (path, number))
        elif line.strip():
            solutions[current].append(line.strip())
    for qid, paragraphs in solutions.items():
        if not paragraphs:
            raise Failure("%s: the solution of %s is empty" % (path, qid))
    return solutions


def runs(text):
    """The text as runs of (font kind, bytes): "text" in Latin-1, "symbol" in the Symbol font."""
    out, plain, i = [], bytearray(), 0
    while i < len(text):
        entity = next((e for e in SYMBOLS if text.startswith(e, i)), None)
        if entity:
            if plain:
                out.append(("text", bytes(plain)))
                plain = bytearray()
            out.append(("symbol", bytes([SYMBOLS[entity]])))
            i += len(entity)
            continue
        code = ord(text[i])
        if not (0x20 <= code <= 0x7E or 0xA0 <= code <= 0xFF):
            raise Failure("character %r is outside Latin-1 (use an entity of %s)" % (text[i], ", ".join(SYMBOLS)))
        plain.append(code)
        i += 1
    if plain:
        out.append(("text", bytes(plain)))
    return out


def width(kind, data, size, bold):
    if kind == "symbol":
        return sum(SYMBOL_WIDTH + AIR_AFTER.get(b, 0) for b in data) * size / 1000
    total = sum(HELVETICA[b - 32] if 32 <= b <= 126 else HIGH_WIDTHS.get(b, 556) for b in data)
    return total * size / 1000 * (BOLD_SCALE if bold else 1)


def words(text):
    """The text as words, each a list of runs; the blank between words belongs to no word."""
    return [runs(word) for word in text.split(" ") if word]


def wrap(text, size, bold, first_indent=0.0):
    """Lines of words that fit TEXT_WIDTH; a word wider than a line stands alone."""
    space = width("text", b" ", size, bold)
    lines, line, used = [], [], first_indent
    for word in words(text):
        w = sum(width(kind, data, size, bold) for kind, data in word)
        if line and used + space + w > TEXT_WIDTH:
            lines.append(line)
            line, used = [], 0.0
        used += (space if line else 0) + w
        line.append(word)
    if line:
        lines.append(line)
    return lines


def pdf_string(data):
    out = bytearray(b"(")
    for b in data:
        if b in b"()\\":
            out += b"\\" + bytes([b])
        elif b < 32 or b > 126:
            out += b"\\%03o" % b
        else:
            out.append(b)
    return bytes(out + b")")


class Page:
    """The content stream of one page, written top-down."""

    FONTS = {("text", False): b"/F1", ("text", True): b"/F2", ("symbol", False): b"/F3", ("symbol", True): b"/F3"}

    def __init__(self):
        self.ops = bytearray()
        self.y = PAGE_HEIGHT - MARGIN

    def line(self, parts, size):
        """One line of (runs, bold) parts from the left margin."""
        self.y -= size
        pieces = []  # (font, bold, bytes), neighbours in the same font joined
        for word_runs, bold in parts:
            for kind, data in word_runs:
                if pieces and pieces[-1][0] == kind and pieces[-1][1] == bold:
                    pieces[-1][2] += data
                else:
                    pieces.append([kind, bold, bytearray(data)])
        # One text object per line: each piece starts where the reader's own metrics ended the last one.
        self.ops += b"BT %d %.2f Td" % (MARGIN, self.y)
        for kind, bold, data in pieces:
            self.ops += b" %s %d Tf" % (self.FONTS[(kind, bold)], size)
            if kind == "symbol":
                glyphs = (pdf_string(bytes([b])) + (b" %d" % -AIR_AFTER[b] if b in AIR_AFTER else b"") for b in data)
                self.ops += b" [" + b"".join(glyphs) + b"] TJ"
            else:
                self.ops += b" %s Tj" % pdf_string(data)
        self.ops += b" ET\n"

    def paragraph(self, text, size=BODY_SIZE, leading=BODY_LEADING, bold=False, label=""):
        """A paragraph, wrapped; a label ("Formel:") is set in bold before it."""
        label_width = width("text", label.encode("latin-1") + b" ", size, True) if label else 0.0
        lines = wrap(text, size, bold, label_width)
        space = [("text", b" ")]
        for n, line in enumerate(lines or [[]]):
            parts = [([("text", label.encode("latin-1"))], True), (space, False)] if label and n == 0 else []
            for i, word in enumerate(line):
                parts.append((word if i == 0 else space + word, bold))
            self.line(parts, size)
            self.y -= leading - size
        if self.y < MARGIN:
            raise Failure("the text does not fit on one page")

    def gap(self, points):
        self.y -= points

    def rule(self):
        self.y -= 4
        self.ops += b"0.6 G 0.5 w %d %.2f m %d %.2f l S 0 G\n" % (MARGIN, self.y, PAGE_WIDTH - MARGIN, self.y)
        self.y -= 10


def split_label(paragraph):
    """"Formel: U = R · I" -> ("Formel:", "U = R · I"); a paragraph without a short leading label -> ("", text)."""
    head, sep, rest = paragraph.partition(": ")
    if sep and 0 < len(head) <= 12 and " " not in head:
        return head + ":", rest
    return "", paragraph


def solution_pdf(qid, cls, question, paragraphs):
    page = Page()
    page.paragraph("Lösungsweg zu %s" % qid, size=16, leading=22, bold=True)
    page.paragraph("Pexu-Beispielkatalog, Technische Kenntnisse Klasse %s" % cls, size=9, leading=14)
    page.rule()
    page.paragraph(question, label="Frage:")
    page.rule()
    for paragraph in paragraphs:
        label, text = split_label(paragraph)
        page.paragraph(text, label=label)
        page.gap(3)
    stream = bytes(page.ops)
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %d %d] /Contents 4 0 R "
        b"/Resources << /Font << /F1 5 0 R /F2 6 0 R /F3 7 0 R >> >> >>" % (PAGE_WIDTH, PAGE_HEIGHT),
        b"<< /Length %d >>\nstream\n" % len(stream) + stream + b"endstream",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Symbol >>",
        b"<< /Title %s /Producer (Pexu) >>" % pdf_string(("Lösungsweg zu %s" % qid).encode("latin-1")),
    ]
    out = bytearray(b"%PDF-1.4\n%\xe4\xf6\xfc\xdf\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for offset in offsets:
        out += b"%010d 00000 n \n" % offset
    out += b"trailer\n<< /Size %d /Root 1 0 R /Info %d 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, len(objects), xref)
    return bytes(out)


def build(source, output):
    target = os.path.join(output, "QX7RTZ")
    staging = target + ".tmp"
    shutil.rmtree(staging, ignore_errors=True)
    count = 0
    for pool_name, solutions_name, cls in POOLS:
        pool = read_pool(os.path.join(source, pool_name))
        solutions_path = os.path.join(source, solutions_name)
        solutions = read_solutions(solutions_path)
        missing = [q for q in pool if q not in solutions]
        unknown = [q for q in solutions if q not in pool]
        if missing or unknown:
            raise Failure("%s: no solution for %s; no question for %s" % (
                solutions_path, " ".join(missing) or "-", " ".join(unknown) or "-"))
        folder = os.path.join(staging, "Klasse" + cls)
        os.makedirs(folder)
        for qid, (question, answer) in pool.items():
            result = "Ergebnis: " + answer
            if solutions[qid][-1] != result:
                raise Failure("%s, %s: the last line must be \"%s\"" % (solutions_path, qid, result))
            try:
                data = solution_pdf(qid, cls, question, solutions[qid])
            except Failure as failure:
                raise Failure("%s, %s: %s" % (solutions_path, qid, failure))
            with open(os.path.join(folder, qid + ".pdf"), "wb") as f:
                f.write(data)
            count += 1
    shutil.rmtree(target, ignore_errors=True)
    os.rename(staging, target)
    return count


def main():
    if len(sys.argv) != 3:
        print("usage: make-solutions.py SOURCE_DIR OUTPUT_DIR", file=sys.stderr)
        return 2
    try:
        build(sys.argv[1], sys.argv[2])
    except (Failure, OSError, UnicodeDecodeError) as failure:
        print("make-solutions: %s" % failure, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
