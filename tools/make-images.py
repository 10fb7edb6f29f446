#!/usr/bin/env python3
"""Draws Tolvane's icons, link cursor and banner and writes them as .ico, .cur
and .bmp files for the resource compiler.

Usage: make-images.py OUTPUT_DIR

Everything is drawn here from simple shapes and a small pixel font, with no
image library: shapes are sampled 4 x 4 times per pixel for smooth edges, and
the files are written with struct in the formats Windows reads.
"""

import os
import struct
import sys

SUPER = 4  # samples per pixel along each axis


class Canvas:
    """RGBA canvas, channels 0..1, premultiplied only while blending.

    Shapes are given in units of `unit` pixels, so one drawing serves every
    size: an icon drawn on a 16-unit grid is 24 px wide with unit 1.5."""

    def __init__(self, width, height, background=(0, 0, 0, 0), unit=1.0):
        self.w = width
        self.h = height
        self.unit = unit
        self.px = [list(background) for _ in range(width * height)]

    def blend(self, x, y, rgb, coverage):
        if coverage <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        dst = self.px[y * self.w + x]
        a = coverage
        out_a = a + dst[3] * (1 - a)
        if out_a <= 0:
            return
        for i in range(3):
            dst[i] = (rgb[i] * a + dst[i] * dst[3] * (1 - a)) / out_a
        dst[3] = out_a

    def fill(self, inside, rgb, bbox=None):
        """Fills every pixel by the share of its sub-samples for which
        inside(x, y) holds (coordinates in units, y downwards)."""
        u = self.unit
        if bbox:
            x0, y0, x1, y1 = (v * u for v in bbox)
        else:
            x0, y0, x1, y1 = 0, 0, self.w, self.h
        x0, y0 = max(0, int(x0) - 1), max(0, int(y0) - 1)
        x1, y1 = min(self.w, int(x1) + 2), min(self.h, int(y1) + 2)
        step = 1.0 / SUPER
        for y in range(y0, y1):
            for x in range(x0, x1):
                hits = 0
                for sy in range(SUPER):
                    for sx in range(SUPER):
                        if inside((x + (sx + 0.5) * step) / u, (y + (sy + 0.5) * step) / u):
                            hits += 1
                self.blend(x, y, rgb, hits / (SUPER * SUPER))

    def circle(self, cx, cy, r, rgb):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, rgb,
                  (cx - r, cy - r, cx + r, cy + r))

    def ring(self, cx, cy, r_out, r_in, rgb):
        def inside(x, y):
            d = (x - cx) ** 2 + (y - cy) ** 2
            return r_in * r_in <= d <= r_out * r_out
        self.fill(inside, rgb, (cx - r_out, cy - r_out, cx + r_out, cy + r_out))

    def polygon(self, pts, rgb):
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]

        def inside(x, y):
            c = False
            j = len(pts) - 1
            for i in range(len(pts)):
                xi, yi = pts[i]
                xj, yj = pts[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    c = not c
                j = i
            return c
        self.fill(inside, rgb, (min(xs), min(ys), max(xs), max(ys)))

    def rect(self, x0, y0, x1, y1, rgb):
        self.fill(lambda x, y: x0 <= x < x1 and y0 <= y < y1, rgb, (x0, y0, x1, y1))

    def rounded_rect(self, x0, y0, x1, y1, r, rgb):
        def inside(x, y):
            if not (x0 <= x <= x1 and y0 <= y <= y1):
                return False
            cx = min(max(x, x0 + r), x1 - r)
            cy = min(max(y, y0 + r), y1 - r)
            return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
        self.fill(inside, rgb, (x0, y0, x1, y1))

    def line(self, xa, ya, xb, yb, width, rgb):
        dx, dy = xb - xa, yb - ya
        length = (dx * dx + dy * dy) ** 0.5
        nx, ny = -dy / length * width / 2, dx / length * width / 2
        self.polygon([(xa + nx, ya + ny), (xb + nx, yb + ny),
                      (xb - nx, yb - ny), (xa - nx, ya - ny)], rgb)

    def glyphs(self, text, x, y, scale, rgb):
        """Draws text in the 5 x 7 pixel font, each font pixel scale wide."""
        for ch in text:
            rows = FONT.get(ch, FONT[' '])
            for row, bits in enumerate(rows):
                for col in range(5):
                    if bits & (0x10 >> col):
                        self.rect(x + col * scale, y + row * scale,
                                  x + (col + 1) * scale, y + (row + 1) * scale, rgb)
            x += 6 * scale

    def rgba_bytes(self, x, y):
        p = self.px[y * self.w + x]
        return tuple(max(0, min(255, int(round(c * 255)))) for c in p)


FONT = {
    ' ': [0, 0, 0, 0, 0, 0, 0],
    'A': [0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11],
    'C': [0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E],
    'D': [0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E],
    'E': [0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F],
    'F': [0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10],
    'I': [0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E],
    'K': [0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11],
    'L': [0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F],
    'N': [0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11],
    'O': [0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E],
    'P': [0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10],
    'R': [0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11],
    'S': [0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E],
    'T': [0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04],
    'V': [0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04],
    'W': [0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A],
}

WHITE = (1.0, 1.0, 1.0)
BLACK = (0.0, 0.0, 0.0)


def draw_app(size):
    """A disk platter with a bright wiped sweep across it."""
    c = Canvas(size, size)
    s = size / 32.0
    c.circle(16 * s, 16 * s, 15 * s, (0.10, 0.22, 0.45))
    c.circle(16 * s, 16 * s, 13 * s, (0.25, 0.45, 0.78))
    c.ring(16 * s, 16 * s, 9.5 * s, 8.5 * s, (0.40, 0.60, 0.90))
    c.line(6 * s, 24 * s, 25 * s, 7 * s, 5 * s, (0.92, 0.96, 1.0))
    c.circle(16 * s, 16 * s, 3 * s, (0.10, 0.22, 0.45))
    c.circle(16 * s, 16 * s, 1.4 * s, WHITE)
    return c


def draw_help(size=16):
    """Blue disc with a white question mark (the product-page button)."""
    c = Canvas(size, size, unit=size / 16.0)
    c.circle(8, 8, 7.5, (0.12, 0.36, 0.80))
    c.ring(8, 6, 3.2, 1.6, WHITE)
    c.rect(4.5, 6, 8, 9.5, (0.12, 0.36, 0.80))  # open the left of the hook
    c.rect(7.2, 8.2, 8.8, 10.5, WHITE)
    c.rect(7.2, 11.5, 8.8, 13.1, WHITE)
    return c


def draw_warning(size=16):
    c = Canvas(size, size, unit=size / 16.0)
    c.polygon([(8, 0.5), (15.5, 14.5), (0.5, 14.5)], (0.45, 0.33, 0.0))
    c.polygon([(8, 2.3), (14.0, 13.5), (2.0, 13.5)], (1.0, 0.84, 0.10))
    c.rect(7.2, 5.5, 8.8, 10.0, BLACK)
    c.rect(7.2, 11.0, 8.8, 12.6, BLACK)
    return c


def draw_error(size=16):
    c = Canvas(size, size, unit=size / 16.0)
    c.circle(8, 8, 7.5, (0.55, 0.0, 0.0))
    c.circle(8, 8, 6.6, (0.88, 0.12, 0.10))
    c.line(5, 5, 11, 11, 2.0, WHITE)
    c.line(11, 5, 5, 11, 2.0, WHITE)
    return c


def bubble(c, rgb):
    c.rounded_rect(0.5, 0.5, 15.5, 11.5, 3.5, (0.25, 0.25, 0.30))
    c.rounded_rect(1.5, 1.5, 14.5, 10.5, 2.8, rgb)
    c.polygon([(3.5, 10.5), (7.5, 10.5), (3.0, 15.5)], (0.25, 0.25, 0.30))
    c.polygon([(4.2, 10.0), (6.6, 10.0), (3.9, 13.6)], rgb)


def draw_info(size=16):
    c = Canvas(size, size, unit=size / 16.0)
    bubble(c, (0.93, 0.96, 1.0))
    c.rect(7.2, 2.6, 8.8, 4.2, (0.10, 0.30, 0.75))
    c.rect(7.2, 5.2, 8.8, 9.6, (0.10, 0.30, 0.75))
    c.rect(6.2, 5.2, 7.2, 6.2, (0.10, 0.30, 0.75))
    return c


def draw_question(size=16):
    c = Canvas(size, size, unit=size / 16.0)
    bubble(c, (0.93, 1.0, 0.93))
    c.ring(8, 4.6, 2.5, 1.2, (0.05, 0.45, 0.15))
    c.rect(5, 4.2, 8, 6.2, (0.93, 1.0, 0.93))
    c.rect(7.3, 6.2, 8.7, 8.0, (0.05, 0.45, 0.15))
    c.rect(7.3, 8.6, 8.7, 9.9, (0.05, 0.45, 0.15))
    return c


def draw_action(size=16):
    c = Canvas(size, size, unit=size / 16.0)
    pts = [(1, 5.5), (8, 5.5), (8, 1.5), (15, 8), (8, 14.5), (8, 10.5), (1, 10.5)]
    c.polygon(pts, (0.05, 0.40, 0.05))
    inner = [(2.2, 6.7), (9.2, 6.7), (9.2, 4.3), (13.3, 8), (9.2, 11.7), (9.2, 9.3), (2.2, 9.3)]
    c.polygon(inner, (0.25, 0.80, 0.25))
    return c


def draw_hand_cursor():
    """A pointing hand; the hot spot is the tip of the index finger."""
    c = Canvas(32, 32)
    outline = [(6, 1), (9, 1), (9, 8), (11, 8), (12, 9), (14, 9), (15, 10), (17, 10),
               (18, 11), (19, 11), (19, 19), (17, 23), (8, 23), (2, 15), (2, 13),
               (4, 12), (6, 14)]
    c.polygon(outline, BLACK)
    inner = [(7, 2), (8, 2), (8, 9.5), (10.5, 9.5), (11.5, 10.5), (13.5, 10.5), (14.5, 11.5),
             (16.5, 11.5), (17.5, 12.5), (18, 12.5), (18, 18.8), (16.3, 22), (8.5, 22),
             (3.2, 14.9), (3.2, 13.8), (3.9, 13.4), (7, 16.5)]
    c.polygon(inner, WHITE)
    return c, (7, 1)


def draw_banner(scale=1.0):
    """The banner on a 200 x 70 grid, drawn `scale` pixels per unit."""
    width, height = 200, 70
    c = Canvas(round(width * scale), round(height * scale), (0, 0, 0, 1), unit=scale)
    top, bottom = (0.10, 0.22, 0.45), (0.30, 0.55, 0.88)
    for y in range(c.h):
        t = y / (c.h - 1)
        rgb = tuple(top[i] + (bottom[i] - top[i]) * t for i in range(3))
        for x in range(c.w):
            c.px[y * c.w + x] = [rgb[0], rgb[1], rgb[2], 1.0]
    # A few faint platter rings at the right edge.
    for r in (22, 30, 38):
        c.ring(width - 4, height / 2, r, r - 1.2, (0.45, 0.65, 0.95))
    c.line(width - 28, height - 4, width - 8, 4, 4, (0.85, 0.92, 1.0))
    title = 'TOLVANE'
    scale = 4
    c.glyphs(title, 12 + 2, 8 + 2, scale, (0.05, 0.10, 0.25))
    c.glyphs(title, 12, 8, scale, WHITE)
    c.glyphs('FREE SPACE WIPER', 13, 8 + 7 * scale + 8, 1, (0.90, 0.95, 1.0))
    return c


def dib(canvas):
    """32-bit BGRA rows bottom-up plus a 1-bit AND mask, as icons hold them."""
    w, h = canvas.w, canvas.h
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    mask = bytearray()
    mask_stride = ((w + 31) // 32) * 4
    for y in range(h - 1, -1, -1):
        row_mask = bytearray(mask_stride)
        for x in range(w):
            r, g, b, a = canvas.rgba_bytes(x, y)
            if a == 0:
                r = g = b = 0
                row_mask[x // 8] |= 0x80 >> (x % 8)
            xor += bytes((b, g, r, a))
        mask += row_mask
    return header + bytes(xor) + bytes(mask)


def icon_file(images, cursor_hotspot=None):
    kind = 2 if cursor_hotspot else 1
    out = struct.pack('<HHH', 0, kind, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for canvas in images:
        blob = dib(canvas)
        if cursor_hotspot:
            planes, bits = cursor_hotspot
        else:
            planes, bits = 1, 32
        out += struct.pack('<BBBBHHII', canvas.w % 256, canvas.h % 256, 0, 0, planes, bits,
                           len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b''.join(blobs)


def bmp_file(canvas):
    """24-bit bottom-up BMP."""
    w, h = canvas.w, canvas.h
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            r, g, b, _ = canvas.rgba_bytes(x, y)
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        pixels += row
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return head + info + bytes(pixels)


def main():
    if len(sys.argv) != 2:
        sys.stderr.write('usage: make-images.py OUTPUT_DIR\n')
        return 2
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    # The small icons at 100, 125, 150 and 200 % scaling (and 32 px also
    # serves 175 %, scaled down by the system); the banner at 100, 150 and
    # 200 %, the others are scaled down from the next larger one.
    small = (16, 20, 24, 32)
    files = {
        'Tolvane.ico': icon_file([draw_app(32), draw_app(16)]),
        'Help.ico': icon_file([draw_help(n) for n in small]),
        'Warning.ico': icon_file([draw_warning(n) for n in small]),
        'Error.ico': icon_file([draw_error(n) for n in small]),
        'Info.ico': icon_file([draw_info(n) for n in small]),
        'Question.ico': icon_file([draw_question(n) for n in small]),
        'Action.ico': icon_file([draw_action(n) for n in small]),
        'Banner.bmp': bmp_file(draw_banner(1.0)),
        'Banner150.bmp': bmp_file(draw_banner(1.5)),
        'Banner200.bmp': bmp_file(draw_banner(2.0)),
    }
    hand, hotspot = draw_hand_cursor()
    files['Link.cur'] = icon_file([hand], cursor_hotspot=hotspot)
    for name, data in files.items():
        path = os.path.join(out, name)
        # Write only what changed, so the resource script is not rebuilt for nothing.
        try:
            with open(path, 'rb') as f:
                if f.read() == data:
                    continue
        except OSError:
            pass
        with open(path, 'wb') as f:
            f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main())
