#!/usr/bin/python3
"""Draws Tavrelin's program icon: a small screen with a pointer on it, 32x32 and 16x16 pixels in
256 colours, written as tavrelin.ico. Needs only the standard library:

    server/res/artwork/generate_icon.py [OUTPUT_DIR]

The ICO file it writes is committed, so building the program does not need it.
"""
import os
import struct
import sys

# Palette entries used by the drawing (index: (red, green, blue)); the rest stay black.
TRANSPARENT, FRAME, SCREEN, GLARE, POINTER, STAND = range(6)
COLOURS = {
    TRANSPARENT: (0, 0, 0),
    FRAME: (32, 48, 96),
    SCREEN: (64, 160, 224),
    GLARE: (160, 216, 248),
    POINTER: (255, 255, 255),
    STAND: (96, 96, 112),
}


def draw(size):
    """Rows of palette indices, top row first."""
    pixels = [[TRANSPARENT] * size for _ in range(size)]
    unit = size / 16

    def box(left, top, right, bottom, colour):
        for y in range(int(top * unit), int(bottom * unit)):
            for x in range(int(left * unit), int(right * unit)):
                pixels[y][x] = colour

    box(1, 2, 15, 12, FRAME)
    box(2, 3, 14, 11, SCREEN)
    box(2, 3, 14, 4, GLARE)
    box(6, 12, 10, 13, STAND)
    box(4, 13, 12, 14, STAND)
    # The pointer: a small arrow whose tip sits in the middle of the screen.
    arrow = ["X....", "XX...", "XXX..", "XXXX.", "XX...", "..X.."]
    for row, line in enumerate(arrow):
        for column, mark in enumerate(line):
            if mark == "X":
                box(7 + column * 0.5, 5 + row * 0.5, 7.5 + column * 0.5, 5.5 + row * 0.5, POINTER)
    return pixels


def image_bytes(size):
    pixels = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    palette = b"".join(
        struct.pack("<BBBB", *reversed(COLOURS.get(i, (0, 0, 0))), 0) for i in range(256))
    row_pad = (4 - size % 4) % 4
    colour_rows = b"".join(bytes(row) + b"\0" * row_pad for row in reversed(pixels))
    mask_row_bytes = ((size + 31) // 32) * 4
    mask_rows = b""
    for row in reversed(pixels):
        mask = bytearray(mask_row_bytes)
        for x, index in enumerate(row):
            if index == TRANSPARENT:
                mask[x // 8] |= 0x80 >> (x % 8)
        mask_rows += bytes(mask)
    return header + palette + colour_rows + mask_rows


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    sizes = [32, 16]
    images = [image_bytes(size) for size in sizes]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        directory += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    with open(os.path.join(output, "tavrelin.ico"), "wb") as out:
        out.write(directory + b"".join(images))


if __name__ == "__main__":
    main()
