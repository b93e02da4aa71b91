"""Pictures for the Windows resources, drawn in code and written as BMP, ICO and AVI files.

A drawing script builds `Canvas`es (palette-indexed or RGB pixels), then writes them with
`write_bmp`, `write_ico` or `write_avi`. Everything is byte-exact Windows formats with no outside
library, so the resources are reproducible from the source tree at build time.
"""
import math
import struct

# A 5x7 font for the few capital letters, digits and signs the pictures carry.
_FONT = {
    'A': "01110100011000111111100011000110001", 'B': "11110100011000111110100011000111110",
    'C': "01110100011000010000100001000101110", 'D': "11110100011000110001100011000111110",
    'E': "11111100001000011110100001000011111", 'F': "11111100001000011110100001000010000",
    'G': "01110100011000010111100011000101111", 'H': "10001100011000111111100011000110001",
    'I': "01110001000010000100001000010001110", 'K': "10001100101010011000101001001010001",
    'L': "10000100001000010000100001000011111", 'M': "10001110111010110101100011000110001",
    'N': "10001110011010110011100011000110001", 'O': "01110100011000110001100011000101110",
    'P': "11110100011000111110100001000010000", 'Q': "01110100011000110001101011001001101",
    'R': "11110100011000111110101001001010001", 'S': "01111100001000001110000010000111110",
    'T': "11111001000010000100001000010000100", 'U': "10001100011000110001100011000101110",
    'V': "10001100011000110001100010101000100", 'W': "10001100011000110101101011010101010",
    'X': "10001100010101000100010101000110001", 'Y': "10001100010101000100001000010000100",
    'Z': "11111000010001000100010001000011111", '0': "01110100011001110101110011000101110",
    '1': "00100011000010000100001000010001110", '2': "01110100010000100010001000100011111",
    '3': "11111000100010000010000011000101110", '4': "00010001100101010010111110001000010",
    '5': "11111100001111000001000011000101110", '6': "00110010001000011110100011000101110",
    '7': "11111000010001000100010000100001000", '8': "01110100011000101110100011000101110",
    '9': "01110100011000101111000010001001100", '-': "00000000000000011111000000000000000",
    '.': "00000000000000000000000000110001100", ' ': "0" * 35, '/': "00001000010001000100010001000010000",
    '$': "00100011111010001110001011111000100", ':': "00000011000110000000011000110000000",
}


class Canvas:
    """A width x height grid of pixel values (palette indexes or (r, g, b) tuples), row 0 at the top."""

    def __init__(self, width, height, fill=0):
        self.width, self.height = width, height
        self.pixels = [[fill] * width for _ in range(height)]

    def put(self, x, y, value):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = value

    def get(self, x, y):
        return self.pixels[y][x]

    def rect(self, x, y, w, h, value):
        for yy in range(max(0, y), min(self.height, y + h)):
            row = self.pixels[yy]
            for xx in range(max(0, x), min(self.width, x + w)):
                row[xx] = value

    def frame(self, x, y, w, h, value, thickness=1):
        self.rect(x, y, w, thickness, value)
        self.rect(x, y + h - thickness, w, thickness, value)
        self.rect(x, y, thickness, h, value)
        self.rect(x + w - thickness, y, thickness, h, value)

    def line(self, x0, y0, x1, y1, value, thickness=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = round(x0 + (x1 - x0) * i / steps)
            y = round(y0 + (y1 - y0) * i / steps)
            self.rect(x - thickness // 2, y - thickness // 2, thickness, thickness, value)

    def disc(self, cx, cy, r, value):
        for y in range(int(cy - r), int(cy + r) + 1):
            for x in range(int(cx - r), int(cx + r) + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.put(x, y, value)

    def ring(self, cx, cy, r, value, thickness):
        for y in range(int(cy - r), int(cy + r) + 1):
            for x in range(int(cx - r), int(cx + r) + 1):
                d = math.hypot(x - cx, y - cy)
                if r - thickness <= d <= r:
                    self.put(x, y, value)

    def polygon(self, points, value):
        """Fills a polygon given as (x, y) corners (even-odd rule, pixel centres)."""
        ys = [p[1] for p in points]
        for y in range(max(0, int(min(ys))), min(self.height, int(max(ys)) + 1)):
            yc = y + 0.5
            xs = []
            for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
                if (ya <= yc < yb) or (yb <= yc < ya):
                    xs.append(xa + (yc - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                for x in range(int(math.ceil(a - 0.5)), int(math.floor(b - 0.5)) + 1):
                    self.put(x, y, value)

    def text(self, x, y, text, value, scale=1):
        """Draws capitals, digits and a few signs in the 5x7 font; returns the x after the text."""
        for ch in text.upper():
            glyph = _FONT.get(ch, _FONT[' '])
            for i, bit in enumerate(glyph):
                if bit == '1':
                    self.rect(x + (i % 5) * scale, y + (i // 5) * scale, scale, scale, value)
            x += 6 * scale
        return x

    def blit(self, other, x, y, transparent=None):
        for yy in range(other.height):
            for xx in range(other.width):
                v = other.pixels[yy][xx]
                if v != transparent:
                    self.put(x + xx, y + yy, v)


def text_width(text, scale=1):
    return 6 * scale * len(text) - scale


def _dib_rows(canvas, bits, palette):
    """The canvas as bottom-up DIB rows of `bits` per pixel, each padded to 4 bytes."""
    out = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray()
        if bits == 24:
            for v in canvas.pixels[y]:
                r, g, b = palette[v] if palette is not None else v
                row += bytes((b, g, r))
        elif bits == 8:
            row += bytes(canvas.pixels[y])
        elif bits == 4:
            px = canvas.pixels[y] + [0]
            for i in range(0, canvas.width, 2):
                row.append((px[i] << 4) | (px[i + 1] if i + 1 < canvas.width else 0))
        else:
            raise ValueError("bits must be 4, 8 or 24")
        row += b"\0" * (-len(row) % 4)
        out += row
    return bytes(out)


def _bitmap_info(width, height, bits, palette, image_size):
    colours = len(palette) if bits <= 8 else 0
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835,
                         colours, 0)
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette) if bits <= 8 else b""
    return header + table


def bmp_bytes(canvas, bits=8, palette=None):
    """A BMP file: 8 or 4 bits with `palette` (a list of (r, g, b)), or 24 bits from indexes
    through `palette` or from (r, g, b) pixels."""
    rows = _dib_rows(canvas, bits, palette)
    info = _bitmap_info(canvas.width, canvas.height, bits, palette or [], len(rows))
    offset = 14 + len(info)
    return b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset) + info + rows


def write_bmp(path, canvas, bits=8, palette=None):
    with open(path, "wb") as f:
        f.write(bmp_bytes(canvas, bits, palette))


def write_ico(path, canvases, palette, transparent):
    """An icon file with one 8-bit image per canvas (16x16, 32x32, ...); pixels equal to
    `transparent` are masked out."""
    images = []
    for c in canvases:
        pal = list(palette) + [(0, 0, 0)] * (256 - len(palette))
        xor = _dib_rows(c, 8, pal)
        mask = bytearray()
        for y in range(c.height - 1, -1, -1):
            row = bytearray((c.width + 7) // 8)
            for x in range(c.width):
                if c.pixels[y][x] == transparent:
                    row[x // 8] |= 0x80 >> (x % 8)
            row += b"\0" * (-len(row) % 4)
            mask += row
        header = struct.pack("<IiiHHIIiiII", 40, c.width, c.height * 2, 1, 8, 0,
                             len(xor) + len(mask), 0, 0, 256, 0)
        table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in pal)
        images.append((c, header + table + xor + bytes(mask)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for c, data in images:
        out += struct.pack("<BBBBHHII", c.width % 256, c.height % 256, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def _chunk(tag, data):
    return tag + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")


def _list(kind, body):
    return b"LIST" + struct.pack("<I", 4 + len(body)) + kind + body


def write_avi(path, frames, palette, ms_per_frame):
    """An uncompressed 8-bit AVI clip (one video stream, one palette) that the common controls'
    animation control plays: every frame a '00db' chunk, with the 'idx1' index."""
    width, height = frames[0].width, frames[0].height
    pal = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    frame_size = len(_dib_rows(frames[0], 8, pal))
    avih = struct.pack("<IIIIIIIIII4I", ms_per_frame * 1000, frame_size * 1000 // ms_per_frame, 0,
                       0x10, len(frames), 0, 1, frame_size, width, height, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"DIB ", 0, 0, 0, 0, ms_per_frame, 1000, 0,
                       len(frames), frame_size, 0xFFFFFFFF, 0, 0, 0, width, height)
    strf = _bitmap_info(width, height, 8, pal, frame_size)
    hdrl = _list(b"hdrl", _chunk(b"avih", avih) + _list(b"strl", _chunk(b"strh", strh) + _chunk(b"strf", strf)))
    movi_body = bytearray()
    index = bytearray()
    for frame in frames:
        data = _dib_rows(frame, 8, pal)
        index += struct.pack("<4sIII", b"00db", 0x10, 4 + len(movi_body), len(data))
        movi_body += _chunk(b"00db", data)
    body = b"AVI " + hdrl + _list(b"movi", bytes(movi_body)) + _chunk(b"idx1", bytes(index))
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)
