#!/usr/bin/env python3
"""Draws the program icon (16 x 16 and 32 x 32, 32-bit with alpha): a red
joystick ball on a dark stick over a yellow play triangle. Standard library
only, so every build makes the same file.

    make_icon.py OUT.ico
"""
import struct
import sys


def pixel(size, x, y):
    """RGBA of one pixel, drawn in a 32-unit design space."""
    u = (x + 0.5) * 32.0 / size
    v = (y + 0.5) * 32.0 / size
    # Base plate.
    if 22 <= v <= 29 and 4 <= u <= 28:
        return (40, 90, 200, 255) if v > 23 else (255, 255, 255, 255)
    # Stick.
    if 12 <= v < 22 and 14.5 <= u <= 17.5:
        return (60, 60, 60, 255)
    # Ball.
    if (u - 16) ** 2 + (v - 9) ** 2 <= 36:
        if (u - 14) ** 2 + (v - 7) ** 2 <= 2:
            return (255, 255, 255, 255)
        return (200, 30, 30, 255)
    # Play triangle behind, to the right.
    if 22 <= u <= 31 and abs(v - 9) <= (u - 22) * 0 + (31 - u) * 0.9:
        return (250, 200, 40, 255)
    return (0, 0, 0, 0)


def image(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        row = b""
        for x in range(size):
            r, g, b, a = pixel(size, x, y)
            row += struct.pack("<BBBB", b, g, r, a)
        rows.append(row)
    xor = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    and_mask = bytes(mask_row * size)  # alpha decides; the mask is all opaque
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + xor + and_mask


def main(path):
    sizes = [16, 32]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1])
