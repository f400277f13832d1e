"""A skin picture being drawn: pixels that start transparent (magenta), written as a
24-bit BMP or an 8-bit RGB PNG. Shared by the skin drawers in this folder."""
import struct
import zlib

MAGENTA = (255, 0, 255)


class Picture:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[MAGENTA] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, w, h, c):
        for y in range(y0, y0 + h):
            for x in range(x0, x0 + w):
                self.set(x, y, c)

    def bmp(self):
        stride = (self.w * 3 + 3) // 4 * 4
        rows = b""
        for y in range(self.h - 1, -1, -1):
            row = b"".join(bytes((b, g, r)) for (r, g, b) in self.px[y])
            rows += row + b"\0" * (stride - len(row))
        header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
        return header + info + rows

    def png(self):
        raw = b"".join(b"\0" + b"".join(bytes(c) for c in row) for row in self.px)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
        header = struct.pack(">IIBBBBB", self.w, self.h, 8, 2, 0, 0, 0)  # 8-bit RGB
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
                + chunk(b"IEND", b""))
