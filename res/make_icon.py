#!/usr/bin/env python3
"""Draws the application icon (16 to 64 pixels, 24 bits per pixel) into an .ico file.

Windows loads the image of the size the display's scale asks for: the small icon is 16, 20, 24
and 32 pixels at 100, 125, 150 and 200 %, the large one (the About box, the minimised window)
32, 40, 48 and 64. With every one of them drawn, none is stretched from another.

The artwork: a page with a folded corner on a blue rounded square, a green arrow pointing
down into it (pages being fetched). Drawn from geometry so every build makes the same bytes.
"""
import struct
import sys


def pixel(size, x, y):
    """Colour (r, g, b) and opacity of the pixel at (x, y), y from the top."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    # Rounded blue tile.
    r = 0.18
    cx = min(max(u, r), 1 - r)
    cy = min(max(v, r), 1 - r)
    if (u - cx) ** 2 + (v - cy) ** 2 > r * r:
        return (0, 0, 0), False
    colour = (30, 90, 170)
    # White page with a folded corner.
    if 0.22 <= u <= 0.78 and 0.14 <= v <= 0.88 and not (u - 0.62 > v - 0.14 and u > 0.62):
        colour = (250, 250, 250)
        if 0.32 <= u <= 0.68 and any(abs(v - line) < 0.025 + 0.5 / size for line in (0.62, 0.72)):
            colour = (150, 160, 175)
    # Green arrow: shaft and head.
    if abs(u - 0.5) < 0.07 and 0.18 <= v <= 0.42:
        colour = (40, 160, 70)
    if 0.38 <= v <= 0.56 and abs(u - 0.5) < (0.56 - v) * 1.1:
        colour = (40, 160, 70)
    return colour, True


def image(size):
    xor_rows, and_rows = [], []
    for y in reversed(range(size)):  # bottom-up rows
        row = bytearray()
        mask = 0
        bits = []
        for x in range(size):
            (rr, gg, bb), opaque = pixel(size, x, y)
            row += bytes((bb, gg, rr))
            bits.append(0 if opaque else 1)
        row += b"\0" * ((4 - len(row) % 4) % 4)
        xor_rows.append(bytes(row))
        mask_bytes = bytearray()
        for i in range(0, size, 8):
            byte = 0
            for j, bit in enumerate(bits[i:i + 8]):
                byte |= bit << (7 - j)
            mask_bytes.append(byte)
        mask_bytes += b"\0" * ((4 - len(mask_bytes) % 4) % 4)
        and_rows.append(bytes(mask_bytes))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, 0, 0, 0, 0, 0)
    return header + b"".join(xor_rows) + b"".join(and_rows)


def main(path):
    sizes = (16, 20, 24, 32, 40, 48, 64)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 24, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1])
