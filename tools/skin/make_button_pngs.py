#!/usr/bin/env python3
"""Draws the pictures of the Start, Stop and Save as buttons: images/start.png,
stop.png and save.png, 32 x 32 RGBA with soft (semi-transparent) edges and shadows so
that blending against the button's background shows.

    make_button_pngs.py [OUTPUT_FOLDER]     (default: images/)
"""
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SIZE = 32
SAMPLES = 4  # 4 x 4 samples per pixel for the soft edges


def png(pixels):
    """RGBA rows to a PNG file (colour type 6, 8 bits, filter 0 per row)."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in pixels)
    ihdr = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def render(layers):
    """layers: list of (inside(x, y) -> bool, (r, g, b, a)), painted in order."""
    out = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) / SAMPLES
                    y = py + (sy + 0.5) / SAMPLES
                    r = g = b = a = 0.0
                    for inside, (cr, cg, cb, ca) in layers:
                        if inside(x, y):
                            k = ca / 255.0
                            r, g, b = cr * k + r * (1 - k), cg * k + g * (1 - k), cb * k + b * (1 - k)
                            a = k + a * (1 - k)
                    acc[0] += r * a; acc[1] += g * a; acc[2] += b * a; acc[3] += a
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if alpha <= 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(acc[i] / n / alpha)) for i in range(3)) +
                           (int(round(alpha * 255)),))
        out.append(row)
    return out


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def rounded(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def triangle(a, b, c):
    def side(p, q, x, y):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    def inside(x, y):
        s1, s2, s3 = side(a, b, x, y), side(b, c, x, y), side(c, a, x, y)
        return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def shadow(shape, dx=1.2, dy=1.6):
    return lambda x, y: shape(x - dx, y - dy)


def start():
    body = circle(15.5, 15.5, 13.5)
    return render([(shadow(body), (0, 0, 0, 70)), (body, (34, 160, 72, 255)),
                   (circle(15.5, 12.5, 10.5), (72, 196, 104, 110)),
                   (triangle((12, 9), (12, 22), (23, 15.5)), (255, 255, 255, 255))])


def stop():
    body = rounded(2.5, 2.5, 28.5, 28.5, 6)
    return render([(shadow(body), (0, 0, 0, 70)), (body, (210, 48, 48, 255)),
                   (rounded(4, 3.5, 27, 15, 5), (255, 120, 110, 90)),
                   (rounded(10, 10, 21, 21, 1.5), (255, 255, 255, 255))])


def save():
    body = rounded(3, 3, 28, 28, 3)
    return render([(shadow(body), (0, 0, 0, 70)), (body, (43, 87, 154, 255)),
                   (rect(8, 3, 23, 12), (236, 240, 246, 255)),      # the shutter label
                   (rect(18, 5, 21, 10), (43, 87, 154, 255)),
                   (rounded(7, 17, 24, 28, 1.5), (250, 250, 250, 235)),
                   (rect(9, 20, 22, 21), (160, 174, 196, 255)),
                   (rect(9, 23, 22, 24), (160, 174, 196, 255))])


def main(argv):
    out = argv[1] if len(argv) > 1 else os.path.join(ROOT, "images")
    for name, draw in (("start.png", start), ("stop.png", stop), ("save.png", save)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(png(draw()))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
