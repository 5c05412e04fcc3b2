#!/usr/bin/env python3
"""Writes the picture fixtures of the order tests.

oil_input.png / oil_golden.png: a 24 x 18 picture and its oil painting
(radius 2, 7 intensity levels) computed here independently, with a full
clear of the 256 bins per pixel, in place, row by row.
huge.png: a valid PNG header announcing 40000 x 40000 pixels.
"""
import struct
import zlib
from pathlib import Path

HERE = Path(__file__).resolve().parent


def png(path, width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + bytes(r) for r in rows)
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw))
                     + chunk(b"IEND", b""))


def oil(pix, w, h, radius, levels):
    for y in range(radius, h - radius):
        for x in range(radius, w - radius):
            count = [0] * 256
            sums = [[0] * 256 for _ in range(3)]
            for dy in range(-radius, radius + 1):
                for dx in range(-radius, radius + 1):
                    c = pix[y + dy][x + dx]
                    b = min(round((c[0] + c[1] + c[2]) / 3 * levels) // 255, 255)
                    count[b] += 1
                    for k in range(3):
                        sums[k][b] += c[k]
            best = max(range(256), key=lambda b: (count[b], -b))
            pix[y][x] = [sums[k][best] // count[best] for k in range(3)] + [pix[y][x][3]]


def main():
    w, h = 24, 18
    seed = 12345
    pix = []
    for y in range(h):
        row = []
        for x in range(w):
            seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
            noise = (seed >> 16) % 60
            row.append([(x * 11 + noise) % 256, (y * 13 + 2 * noise) % 256, ((x + y) * 7 + noise) % 256, 255])
        pix.append(row)
    flat = lambda p: [[v for c in r for v in c] for r in p]
    png(HERE / "oil_input.png", w, h, flat(pix))
    oil(pix, w, h, 2, 7)
    png(HERE / "oil_golden.png", w, h, flat(pix))
    png(HERE / "huge.png", 40000, 40000, [[0, 0, 0, 0]])  # IDAT does not match; the size alone matters


if __name__ == "__main__":
    main()
