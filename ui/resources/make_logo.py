#!/usr/bin/env python3
"""Draws the about box logo: a 74 x 61, 256-colour BMP of a joystick under a
play triangle on a grey ground. Pure standard library, so the picture is the
same on every build."""
import struct
import sys

W, H = 74, 61
palette = [(128, 128, 128), (0, 0, 0), (255, 255, 255), (200, 30, 30),
           (250, 200, 40), (40, 90, 200), (90, 90, 90)]
palette += [(0, 0, 0)] * (256 - len(palette))
GREY, BLACK, WHITE, RED, YELLOW, BLUE, DARK = range(7)


def draw():
    px = [[GREY] * W for _ in range(H)]

    def put(x, y, c):
        if 0 <= x < W and 0 <= y < H:
            px[y][x] = c

    # Play triangle, yellow with a black rim.
    for y in range(4, 33):
        half = (y - 4) if y < 18 else (32 - y)
        for x in range(44, 44 + half + 1):
            put(x, y, YELLOW)
        put(43, y, BLACK)
        put(44 + half + 1, y, BLACK)
    # Joystick base.
    for y in range(46, 57):
        for x in range(8, 50):
            put(x, y, BLUE if y > 47 else WHITE)
    for x in range(8, 50):
        put(x, 45, BLACK)
        put(x, 57, BLACK)
    # Shaft and red ball.
    for y in range(20, 46):
        put(28, y, DARK)
        put(29, y, DARK)
    for y in range(8, 26):
        for x in range(18, 40):
            if (x - 28.5) ** 2 + (y - 16.5) ** 2 <= 81:
                put(x, y, RED)
    put(25, 12, WHITE)
    put(26, 12, WHITE)
    put(25, 13, WHITE)
    # Buttons on the base.
    for cx in (40, 45):
        for y in range(49, 54):
            for x in range(cx - 2, cx + 2):
                put(x, y, RED)
    return px


def write(path):
    px = draw()
    row = (W + 3) & ~3
    image = bytearray()
    for y in range(H - 1, -1, -1):  # BMP rows run bottom-up
        image += bytes(px[y]) + bytes(row - W)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + 40 + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 8, 0, len(image), 2835, 2835, 256, 0)
    with open(path, "wb") as f:
        f.write(header + info + pal + image)


if __name__ == "__main__":
    write(sys.argv[1])
