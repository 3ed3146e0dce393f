#!/usr/bin/env python3
"""Fails when a part of a PNG picture is blank: less than a share of its pixels differ from white.

Usage: png_ink.py PICTURE.png MIN_SHARE [TILE_WIDTH TILE_HEIGHT BAND COUNT]
Without a tile size the whole picture is one part; with one, the parts are the first COUNT tiles of
a contact sheet, TILE_WIDTH wide and TILE_HEIGHT high, in rows with a BAND of label under each row.
"""
import sys

from png_diff import read_png


def ink(pixels, x0, y0, x1, y1):
    marked = sum(1 for y in range(y0, y1) for x in range(x0, x1) if min(pixels[y][x]) < 240)
    return marked / max(1, (x1 - x0) * (y1 - y0))


def main():
    width, height, pixels = read_png(sys.argv[1])
    least = float(sys.argv[2])
    if len(sys.argv) > 3:
        tw, th, band, count = (int(v) for v in sys.argv[3:7])
        columns = width // tw
        parts = [((i % columns) * tw, (i // columns) * (th + band), tw, th) for i in range(count)]
    else:
        parts = [(0, 0, width, height)]
    blank = []
    for n, (x, y, w, h) in enumerate(parts, 1):
        share = ink(pixels, x, y, x + w, y + h)
        print(f'part {n}: {share:.3f} marked')
        if share < least:
            blank.append(n)
    if blank:
        sys.exit(f'blank (less than {least} marked): part {", ".join(map(str, blank))}')


main()
