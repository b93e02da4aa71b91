"""The operation checker's pictures: the application icon (128), the result icons (156 passed,
158 not checked, 159 failed), the wizard's header bitmap (129), the About box's two bitmaps
(143, 144) and the scanning/cleaning animation clip (133)."""
import os
import sys

from artgen import Canvas, write_avi, write_bmp, write_ico

PALETTE = [
    (255, 0, 255),    # 0 transparent in icons
    (0, 0, 0),        # 1 black
    (255, 255, 255),  # 2 white
    (64, 64, 72),     # 3 scanner body
    (128, 128, 140),  # 4 scanner light
    (236, 232, 214),  # 5 cheque paper
    (40, 150, 60),    # 6 green
    (200, 30, 30),    # 7 red
    (30, 70, 160),    # 8 blue
    (192, 192, 192),  # 9 light grey
    (250, 200, 40),   # 10 LED yellow
    (110, 110, 110),  # 11 MICR ink grey
]
T, BLACK, WHITE, BODY, LIGHT, PAPER, GREEN, RED, BLUE, GREY, LED, INK = range(12)


def scanner(c, x, y, w, h, paper_offset=None):
    """A desk scanner seen from the front: a body, a feed slot and optionally a cheque in it."""
    c.rect(x, y + h // 3, w, h - h // 3, BODY)
    c.rect(x + 1, y + h // 3 + 1, w - 2, max(1, h // 8), LIGHT)
    c.rect(x + w - max(2, w // 8) - 1, y + h - max(2, h // 5) - 1, max(2, w // 8), max(1, h // 10), LED)
    if paper_offset is not None:
        pw = w * 3 // 4
        c.rect(x + paper_offset, y, pw, h // 3 + 2, PAPER)
        c.frame(x + paper_offset, y, pw, h // 3 + 2, INK)


def app_icon(size):
    c = Canvas(size, size, T)
    scanner(c, 1, size // 8, size - 2, size - size // 4, paper_offset=size // 8)
    return c


def check_icon(size):
    c = Canvas(size, size, T)
    s = size / 16
    c.disc(size / 2 - 0.5, size / 2 - 0.5, size / 2 - 0.5, GREEN)
    c.line(int(4 * s), int(8 * s), int(7 * s), int(11 * s), WHITE, max(2, int(2 * s)))
    c.line(int(7 * s), int(11 * s), int(12 * s), int(5 * s), WHITE, max(2, int(2 * s)))
    return c


def prohibition_icon(size):
    c = Canvas(size, size, T)
    r = size / 2 - 0.5
    c.disc(size / 2 - 0.5, size / 2 - 0.5, r, RED)
    c.disc(size / 2 - 0.5, size / 2 - 0.5, r - max(2, size // 8), WHITE)
    c.line(size // 4, size // 4, size - 1 - size // 4, size - 1 - size // 4, RED, max(2, size // 8))
    return c


def cross_icon(size):
    c = Canvas(size, size, T)
    c.disc(size / 2 - 0.5, size / 2 - 0.5, size / 2 - 0.5, RED)
    t = max(2, size // 8)
    c.line(size // 4 + 1, size // 4 + 1, size - 2 - size // 4, size - 2 - size // 4, WHITE, t)
    c.line(size - 2 - size // 4, size // 4 + 1, size // 4 + 1, size - 2 - size // 4, WHITE, t)
    return c


def header_bitmap():
    """The wizard header's picture (top right of every page), 49x49 on white."""
    c = Canvas(49, 49, WHITE)
    scanner(c, 4, 10, 41, 30, paper_offset=6)
    return c


def about_logo():
    c = Canvas(48, 48, WHITE)
    scanner(c, 2, 6, 44, 32, paper_offset=6)
    c.text(3, 40, "QX", BLUE)
    return c


def about_check():
    """A cheque with its MICR line, the thing the checker looks at."""
    c = Canvas(48, 24, WHITE)
    c.rect(0, 0, 48, 24, PAPER)
    c.frame(0, 0, 48, 24, INK)
    c.rect(4, 4, 20, 2, INK)
    c.rect(28, 10, 16, 2, INK)
    for x in range(4, 44, 4):
        c.rect(x, 18, 2, 3, BLACK)
    return c


def clip_frames():
    """A cheque sliding through the scanner with the read head glowing: 12 frames of 160x48."""
    frames = []
    for i in range(12):
        c = Canvas(160, 48, WHITE)
        c.rect(50, 12, 60, 30, BODY)
        c.rect(50, 20, 60, 4, BLACK)
        c.rect(52, 36, 8, 3, LED)
        x = -50 + i * 20
        c.rect(x, 18, 56, 8, PAPER)
        c.frame(x, 18, 56, 8, INK)
        for k in range(0, 48, 6):
            c.rect(x + 4 + k, 23, 3, 2, BLACK)
        c.rect(78, 10, 4, 2, RED if i % 2 else GREEN)
        frames.append(c)
    return frames


def main(out):
    def path(name):
        return os.path.join(out, name)

    write_ico(path("checker_app.ico"), [app_icon(16), app_icon(32)], PALETTE, T)
    write_ico(path("checker_passed.ico"), [check_icon(16), check_icon(32)], PALETTE, T)
    write_ico(path("checker_not_checked.ico"), [prohibition_icon(16), prohibition_icon(32)], PALETTE, T)
    write_ico(path("checker_failed.ico"), [cross_icon(16), cross_icon(32)], PALETTE, T)
    write_bmp(path("checker_header.bmp"), header_bitmap(), 8, PALETTE)
    write_bmp(path("checker_about_check.bmp"), about_check(), 8, PALETTE)
    write_bmp(path("checker_about_logo.bmp"), about_logo(), 8, PALETTE)
    write_avi(path("checker_clip.avi"), clip_frames(), PALETTE, 100)


if __name__ == "__main__":
    main(sys.argv[1])
