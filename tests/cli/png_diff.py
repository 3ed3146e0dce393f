#!/usr/bin/env python3
"""Compares two PNG pictures of one design, drawn by two renderers, within a tolerance.

Usage: png_diff.py A.png B.png [MAX_MEAN [MAX_FAR]]
Both are read as 8-bit RGB or RGBA (alpha composited on white). The pictures may differ in size by a
pixel from rounding; the common part is compared. Fails (exit 1) when the mean difference of a
channel, in 0..255, is above MAX_MEAN (default 2), or when more than MAX_FAR (default 0.01) of the
pixels differ by more than 96 in some channel: edges are anti-aliased differently, shapes are not.
Only the standard library: a PNG is zlib data in IDAT chunks, one filter byte a row.
"""
import struct
import sys
import zlib


def read_png(path):
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        sys.exit(f'{path}: not a PNG')
    pos, idat, header = 8, b'', None
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    channels = {2: 3, 6: 4}.get(colour)
    if depth != 8 or channels is None or interlace:
        sys.exit(f'{path}: only 8-bit RGB or RGBA without interlacing is read here')
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        previous = line
    pixels = []
    for line in rows:
        row = []
        for x in range(width):
            px = line[x * channels:(x + 1) * channels]
            if channels == 4:
                alpha = px[3]
                px = [(v * alpha + 255 * (255 - alpha)) // 255 for v in px[:3]]
            row.append(tuple(px[:3]))
        pixels.append(row)
    return width, height, pixels


def main():
    a, b = read_png(sys.argv[1]), read_png(sys.argv[2])
    max_mean = float(sys.argv[3]) if len(sys.argv) > 3 else 2.0
    max_far = float(sys.argv[4]) if len(sys.argv) > 4 else 0.01
    if abs(a[0] - b[0]) > 1 or abs(a[1] - b[1]) > 1:
        sys.exit(f'sizes differ: {a[0]}x{a[1]} and {b[0]}x{b[1]}')
    width, height = min(a[0], b[0]), min(a[1], b[1])
    total, far = 0, 0
    for y in range(height):
        for x in range(width):
            pa, pb = a[2][y][x], b[2][y][x]
            d = [abs(pa[k] - pb[k]) for k in range(3)]
            total += sum(d)
            far += max(d) > 96
    mean = total / (3 * width * height)
    share = far / (width * height)
    print(f'mean difference {mean:.3f}, pixels far apart {share:.4f}')
    if mean > max_mean or share > max_far:
        sys.exit(f'the pictures differ: mean {mean:.3f} (at most {max_mean}), far {share:.4f} (at most {max_far})')


if __name__ == '__main__':
    main()
