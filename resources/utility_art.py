"""Draws the pictures of R7000Utility's resources into the folder given as the first argument:
the window icon, the two toolbar strips, the tree and list image lists, the two About pictures
and the clip of the "Getting information..." dialog."""
import os
import sys

from artgen import Canvas, write_avi, write_bmp, write_ico

PALETTE = [
    (0, 0, 0),        # 0 black
    (128, 128, 128),  # 1 dark grey (the toolbar maps it to the button shadow)
    (192, 192, 192),  # 2 light grey (the toolbar maps it to the button face)
    (255, 255, 255),  # 3 white
    (255, 0, 255),    # 4 magenta: transparent in the image lists
    (0, 64, 160),     # 5 dark blue
    (64, 128, 224),   # 6 blue
    (232, 200, 64),   # 7 yellow
    (176, 128, 32),   # 8 brown
    (32, 144, 64),    # 9 green
    (200, 48, 40),    # 10 red
    (224, 232, 240),  # 11 paper
    (96, 96, 104),    # 12 case grey
    (160, 216, 255),  # 13 light blue
]
BLACK, DARK, GREY, WHITE, MAGENTA, NAVY, BLUE, YELLOW, BROWN, GREEN, RED, PAPER, CASE, SKY = range(14)


def scanner(c, x, y, scale=1):
    """A desk cheque scanner seen from the front: a case with a feed slot, a cheque and a lamp."""
    s = scale
    c.rect(x + 1 * s, y + 6 * s, 14 * s, 8 * s, CASE)
    c.frame(x + 1 * s, y + 6 * s, 14 * s, 8 * s, BLACK, max(1, s // 2))
    c.rect(x + 3 * s, y + 8 * s, 10 * s, 1 * s, BLACK)
    c.rect(x + 4 * s, y + 2 * s, 8 * s, 6 * s, PAPER)
    c.frame(x + 4 * s, y + 2 * s, 8 * s, 6 * s, NAVY, max(1, s // 2))
    c.rect(x + 5 * s, y + 4 * s, 5 * s, max(1, s // 2), NAVY)
    c.rect(x + 12 * s, y + 11 * s, 2 * s, 1 * s, GREEN)


def folder(c, x, y):
    c.polygon([(x + 1, y + 4), (x + 6, y + 4), (x + 7, y + 5), (x + 14, y + 5), (x + 14, y + 14), (x + 1, y + 14)], BROWN)
    c.polygon([(x + 2, y + 7), (x + 15, y + 7), (x + 13, y + 14), (x + 1, y + 14)], YELLOW)
    c.line(x + 1, y + 14, x + 13, y + 14, BLACK)


def floppy(c, x, y):
    c.rect(x + 1, y + 1, 14, 14, NAVY)
    c.rect(x + 4, y + 1, 8, 5, WHITE)
    c.rect(x + 9, y + 2, 2, 3, NAVY)
    c.rect(x + 3, y + 9, 10, 6, PAPER)
    c.rect(x + 4, y + 11, 8, 1, DARK)
    c.frame(x + 1, y + 1, 14, 14, BLACK)


def magnifier(c, x, y):
    c.ring(x + 6.5, y + 6.5, 5.5, BLACK, 2)
    c.disc(x + 6.5, y + 6.5, 3.6, SKY)
    c.line(x + 10, y + 10, x + 14, y + 14, BROWN, 2)


def question(c, x, y):
    c.disc(x + 7.5, y + 7.5, 7, BLUE)
    for px, py in [(6, 4), (7, 3), (8, 3), (9, 4), (10, 5), (9, 6), (8, 7), (8, 8), (8, 9)]:
        c.rect(x + px, y + py, 1, 1, WHITE)
        c.rect(x + px - 1, y + py, 1, 1, WHITE)
    c.rect(x + 7, y + 11, 2, 2, WHITE)


def toolbar_strip(pictures):
    c = Canvas(16 * len(pictures), 16, GREY)
    for i, draw in enumerate(pictures):
        draw(c, 16 * i, 0)
    return c


def pc(c, x, y):
    c.rect(x + 2, y + 1, 12, 9, CASE)
    c.rect(x + 3, y + 2, 10, 7, SKY)
    c.rect(x + 6, y + 10, 4, 2, CASE)
    c.rect(x + 3, y + 12, 10, 2, CASE)
    c.frame(x + 2, y + 1, 12, 9, BLACK)


def document(c, x, y):
    c.polygon([(x + 3, y + 1), (x + 10, y + 1), (x + 13, y + 4), (x + 13, y + 15), (x + 3, y + 15)], WHITE)
    c.line(x + 3, y + 1, x + 10, y + 1, BLACK)
    c.line(x + 3, y + 1, x + 3, y + 15, BLACK)
    c.line(x + 3, y + 15, x + 13, y + 15, BLACK)
    c.line(x + 13, y + 4, x + 13, y + 15, BLACK)
    c.line(x + 10, y + 1, x + 13, y + 4, BLACK)
    for row in (6, 8, 10, 12):
        c.rect(x + 5, y + row, 6, 1, NAVY)


def leaf(c, x, y):
    c.rect(x + 3, y + 3, 10, 10, YELLOW)
    c.frame(x + 3, y + 3, 10, 10, BROWN)
    c.rect(x + 5, y + 6, 6, 1, BROWN)
    c.rect(x + 5, y + 9, 6, 1, BROWN)


def bullet(c, x, y):
    c.disc(x + 7.5, y + 7.5, 3.5, BLUE)
    c.disc(x + 6.5, y + 6.5, 1.2, SKY)


def image_list(pictures):
    c = Canvas(16 * len(pictures), 16, MAGENTA)
    for i, draw in enumerate(pictures):
        draw(c, 16 * i, 0)
    return c


def about_scanner():
    c = Canvas(48, 48, GREY)
    scanner(c, 0, 0, 3)
    return c


def about_logo():
    c = Canvas(96, 24, NAVY)
    c.text(8, 5, "NORVA", WHITE, 2)
    c.rect(0, 20, 96, 4, BLUE)
    return c


def clip_frames():
    """A cheque travels through the scanner while its reading beam sweeps; 16 frames."""
    width, height = 160, 32
    frames = []
    for i in range(16):
        c = Canvas(width, height, GREY)
        c.rect(60, 6, 40, 22, CASE)
        c.frame(60, 6, 40, 22, BLACK)
        c.rect(64, 24, 4, 2, GREEN if i % 2 == 0 else CASE)
        x = 4 + i * 9
        c.rect(x, 12, 44, 12, PAPER)
        c.frame(x, 12, 44, 12, NAVY)
        c.rect(x + 4, 15, 20, 1, NAVY)
        c.rect(x + 4, 20, 30, 1, DARK)
        c.rect(60, 6, 40, 5, CASE)
        c.rect(62, 11, 36, 1, RED if 60 <= x + 44 and x <= 100 else BLACK)
        c.rect(60, 24, 40, 4, CASE)
        c.frame(60, 6, 40, 22, BLACK)
        frames.append(c)
    return frames


def main(out):
    write_ico(os.path.join(out, "utility.ico"), [icon(32, 2), icon(16, 1)], PALETTE, MAGENTA)
    write_bmp(os.path.join(out, "toolbar_full.bmp"),
              toolbar_strip([folder, floppy, magnifier, scanner, question]), 8, PALETTE)
    write_bmp(os.path.join(out, "toolbar_short.bmp"), toolbar_strip([magnifier, scanner, question]), 8, PALETTE)
    write_bmp(os.path.join(out, "tree_images.bmp"), image_list([scanner, pc, document, leaf]), 24, PALETTE)
    write_bmp(os.path.join(out, "list_images.bmp"), image_list([bullet]), 24, PALETTE)
    write_bmp(os.path.join(out, "about_logo.bmp"), about_logo(), 8, PALETTE)
    write_bmp(os.path.join(out, "about_scanner.bmp"), about_scanner(), 8, PALETTE)
    write_avi(os.path.join(out, "getting_information.avi"), clip_frames(), PALETTE, 80)


def icon(size, scale):
    c = Canvas(size, size, MAGENTA)
    scanner(c, 0, 0, scale)
    return c


if __name__ == "__main__":
    main(sys.argv[1])
