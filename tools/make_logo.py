#!/usr/bin/env python3
"""Draws Klarvex's logo, 125 x 31 pixels: a disc on the left and the word
KLARVEX in a blocky pixel font, on a dark background in the app's accent
colour. Writes a binary PPM to a temporary file and turns it into a baseline
JPEG with cjpeg (or ffmpeg when cjpeg is missing). Standard library only;
the same pixels on every run.

Usage: tools/make_logo.py [OUTPUT]   (default: src/ui/resources/logo.jpg)
"""
import os
import shutil
import subprocess
import sys
import tempfile

WIDTH, HEIGHT = 125, 31

BACKGROUND = (20, 22, 38)
ACCENT = (255, 187, 0)  # the window's accent colour
GROOVE = (196, 132, 0)  # a darker accent for the disc's rings
TEXT = (240, 240, 232)

DISC_CENTRE = (15.5, 15.5)
DISC_RADIUS = 13.5
HOLE_RADIUS = 3.5
GROOVE_RADII = (6.5, 10.5)
GROOVE_WIDTH = 0.5

FONT_SCALE = 2  # each font cell becomes a square of this many pixels
LETTER_GAP = 3
TEXT_LEFT = 34

# A 5 x 7 font holding just the letters the logo needs.
FONT = {
    "K": ["X...X", "X..X.", "X.X..", "XX...", "X.X..", "X..X.", "X...X"],
    "L": ["X....", "X....", "X....", "X....", "X....", "X....", "XXXXX"],
    "A": [".XXX.", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"],
    "R": ["XXXX.", "X...X", "X...X", "XXXX.", "X.X..", "X..X.", "X...X"],
    "V": ["X...X", "X...X", "X...X", "X...X", ".X.X.", ".X.X.", "..X.."],
    "E": ["XXXXX", "X....", "X....", "XXXX.", "X....", "X....", "XXXXX"],
    "X": ["X...X", "X...X", ".X.X.", "..X..", ".X.X.", "X...X", "X...X"],
}
GLYPH_WIDTH, GLYPH_HEIGHT = 5, 7


def blank():
    return [[BACKGROUND for _ in range(WIDTH)] for _ in range(HEIGHT)]


def disc_colour(x, y):
    """The colour at point (x, y), or None outside the disc."""
    dx, dy = x - DISC_CENTRE[0], y - DISC_CENTRE[1]
    r = (dx * dx + dy * dy) ** 0.5
    if r > DISC_RADIUS or r < HOLE_RADIUS:
        return None
    if any(abs(r - g) < GROOVE_WIDTH for g in GROOVE_RADII):
        return GROOVE
    return ACCENT


def draw_disc(image):
    # 4 x 4 samples per pixel smooth the edges without any float noise in
    # the output: the sums are rounded to whole numbers once.
    steps = 4
    for y in range(HEIGHT):
        for x in range(WIDTH):
            total = [0, 0, 0]
            for sy in range(steps):
                for sx in range(steps):
                    c = disc_colour(x + (sx + 0.5) / steps, y + (sy + 0.5) / steps)
                    c = c or image[y][x]
                    total = [t + v for t, v in zip(total, c)]
            n = steps * steps
            image[y][x] = tuple((t + n // 2) // n for t in total)


def fill(image, left, top, width, height, colour):
    for y in range(top, top + height):
        for x in range(left, left + width):
            image[y][x] = colour


def draw_word(image, word, left, top):
    advance = GLYPH_WIDTH * FONT_SCALE + LETTER_GAP
    for i, letter in enumerate(word):
        for row, line in enumerate(FONT[letter]):
            for col, cell in enumerate(line):
                if cell == "X":
                    fill(image, left + i * advance + col * FONT_SCALE, top + row * FONT_SCALE,
                         FONT_SCALE, FONT_SCALE, TEXT)
    return len(word) * advance - LETTER_GAP


def draw_logo():
    image = blank()
    draw_disc(image)
    text_height = GLYPH_HEIGHT * FONT_SCALE
    top = (HEIGHT - text_height) // 2 - 1
    width = draw_word(image, "KLARVEX", TEXT_LEFT, top)
    fill(image, TEXT_LEFT, top + text_height + 2, width, 2, ACCENT)  # underline
    return image


def ppm_bytes(image):
    header = b"P6\n%d %d\n255\n" % (WIDTH, HEIGHT)
    return header + bytes(v for row in image for pixel in row for v in pixel)


def to_jpeg(ppm_path, out_path):
    if shutil.which("cjpeg"):
        # Full-resolution colour: at this size halved chroma smears the letters.
        command = ["cjpeg", "-quality", "92", "-baseline", "-optimize", "-sample", "1x1",
                   "-outfile", out_path, ppm_path]
    elif shutil.which("ffmpeg"):
        command = ["ffmpeg", "-loglevel", "error", "-y", "-i", ppm_path, "-q:v", "2", "-pix_fmt", "yuvj444p",
                   out_path]
    else:
        sys.exit("make_logo: neither cjpeg (libjpeg-turbo-progs) nor ffmpeg is installed")
    result = subprocess.run(command)
    if result.returncode != 0:
        sys.exit("make_logo: %s failed with exit code %d" % (command[0], result.returncode))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out_path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "src", "ui", "resources", "logo.jpg")
    os.makedirs(os.path.dirname(os.path.abspath(out_path)), exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        ppm_path = os.path.join(tmp, "logo.ppm")
        with open(ppm_path, "wb") as f:
            f.write(ppm_bytes(draw_logo()))
        to_jpeg(ppm_path, out_path)


if __name__ == "__main__":
    main()
