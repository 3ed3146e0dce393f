#!/usr/bin/env python3
"""Draws the plug-in's icon and cursor: a twelve-ray starburst, 32 x 32.

The generated flarimond.ico and flarimond.cur are committed next to this
script so that building never needs Python; run it again only when the
pictures change:

    python3 resources/make_images.py [output-directory]

The output is the same byte for byte on every run (no randomness, no
timestamps), so a regenerated file shows up in a diff only if it changed.
"""

import math
import os
import struct
import sys

SIZE = 32
RAYS = 12
CENTRE = (SIZE - 1) / 2.0


def ray_reach(angle):
    """Distance from the centre to the burst's outline at this angle."""
    # |cos| raised to a power gives narrow pointed rays with round valleys.
    tip = abs(math.cos(angle * RAYS / 2.0)) ** 3
    return 5.5 + 10.0 * tip


def coverage(x, y):
    """Signed distance inside the outline (positive inside), in pixels."""
    dx = x - CENTRE
    dy = y - CENTRE
    return ray_reach(math.atan2(dy, dx)) - math.hypot(dx, dy)


def bitmap_info_header(bits_per_pixel, colours_used):
    # The height is doubled: the image is followed by its AND mask.
    return struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, bits_per_pixel,
                       0, 0, 0, 0, colours_used, 0)


def pack_rows(rows_top_down, row_to_bytes):
    """Device-independent bitmaps are stored bottom row first."""
    return b"".join(row_to_bytes(row) for row in reversed(rows_top_down))


def one_bit_row(bits):
    """A row of 0/1 values as a 1-bit row padded to 32 bits (MSB first)."""
    value = 0
    for bit in bits:
        value = (value << 1) | bit
    return struct.pack(">I", value)


def icon_image():
    colours = []
    mask = []
    for y in range(SIZE):
        colour_row = []
        mask_row = []
        for x in range(SIZE):
            inside = coverage(x, y)
            if inside <= -0.5:
                colour_row.append((0, 0, 0, 0))
                mask_row.append(1)
                continue
            # A one-pixel soft edge, so the rays do not look jagged.
            alpha = 255 if inside >= 0.5 else int(round((inside + 0.5) * 255))
            # Warm yellow at the heart, deep orange at the ray tips.
            t = min(1.0, math.hypot(x - CENTRE, y - CENTRE) / 15.5)
            red = 255
            green = int(round(225 - 135 * t))
            blue = int(round(70 - 60 * t))
            colour_row.append((blue, green, red, alpha))
            mask_row.append(0)
        colours.append(colour_row)
        mask.append(mask_row)
    pixels = pack_rows(colours, lambda row: b"".join(bytes(p) for p in row))
    and_mask = pack_rows(mask, one_bit_row)
    return bitmap_info_header(32, 0) + pixels + and_mask


def cursor_image():
    """Monochrome: black burst with a white rim so it shows on any paper."""
    solid = [[coverage(x, y) >= 0.0 for x in range(SIZE)] for y in range(SIZE)]

    def touches_solid(x, y):
        return any(solid[y + dy][x + dx]
                   for dy in (-1, 0, 1) for dx in (-1, 0, 1)
                   if 0 <= y + dy < SIZE and 0 <= x + dx < SIZE)

    xor_rows = []
    and_rows = []
    for y in range(SIZE):
        xor_row = []
        and_row = []
        for x in range(SIZE):
            if solid[y][x]:
                xor_row.append(0)  # black
                and_row.append(0)
            elif touches_solid(x, y):
                xor_row.append(1)  # white rim
                and_row.append(0)
            else:
                xor_row.append(0)  # transparent
                and_row.append(1)
        xor_rows.append(xor_row)
        and_rows.append(and_row)
    palette = struct.pack("<4B4B", 0, 0, 0, 0, 255, 255, 255, 0)
    return (bitmap_info_header(1, 2) + palette + pack_rows(xor_rows, one_bit_row)
            + pack_rows(and_rows, one_bit_row))


def directory_file(kind, colour_count, field_a, field_b, image):
    """ICO/CUR container holding one image.

    For icons field_a/field_b are planes and bits per pixel, for cursors
    they are the hot spot's x and y.
    """
    header = struct.pack("<HHH", 0, kind, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, colour_count, 0, field_a,
                        field_b, len(image), 6 + 16)
    return header + entry + image


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(
        os.path.abspath(__file__))
    centre = SIZE // 2
    files = {
        "flarimond.ico": directory_file(1, 0, 1, 32, icon_image()),
        "flarimond.cur": directory_file(2, 2, centre, centre, cursor_image()),
    }
    for name, data in files.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
