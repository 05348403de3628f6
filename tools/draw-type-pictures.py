#!/usr/bin/env python3
"""Draws the pictures Stovan ships in sample/Database/Images: one 32x32 PNG
per application type (a tile in the type's colour with the type's first
letter) and noimage.png (a grey tile with a cross); and the pictures the
demonstration site serves as its image server (sample/site/images: one
96x72 picture per application, a little window with its initial). Drawn by
this script for Stovan; no outside artwork. Run it again to redraw them."""

import colorsys
import os
import struct
import zlib

TYPES = ["UNKNOWN", "AUDIO", "VIDEO", "TEXT", "PICTURE", "GAME", "EMULATOR",
         "NETWORK", "TOOL", "UTILITY", "DRIVER", "APPLICATION", "SHELL", "CLASS",
         "LIBRARY", "SCREENBAR", "DESKTOP", "SKIN", "DEVELOPER", "STOVAN"]

# A 5x7 font of the letters the type names begin with.
FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "C": ["01111", "10000", "10000", "10000", "10000", "10000", "01111"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "G": ["01111", "10000", "10000", "10011", "10001", "10001", "01111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "Q": ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
}

SIZE = 32


def png(pixels):
    rows = b"".join(b"\0" + bytes(v for p in row for v in p) for row in pixels)
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", len(pixels[0]), len(pixels), 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def tile(colour, border):
    pixels = [[(0, 0, 0, 0)] * SIZE for _ in range(SIZE)]
    for y in range(2, SIZE - 2):
        for x in range(2, SIZE - 2):
            edge = x in (2, SIZE - 3) or y in (2, SIZE - 3)
            pixels[y][x] = border if edge else colour
    return pixels


def letter(pixels, glyph, scale=3, left=None, top=None):
    if left is None:
        left = (len(pixels[0]) - 5 * scale) // 2
    if top is None:
        top = (len(pixels) - 7 * scale) // 2
    for gy, line in enumerate(FONT[glyph]):
        for gx, bit in enumerate(line):
            if bit == "1":
                for dy in range(scale):
                    for dx in range(scale):
                        pixels[top + gy * scale + dy][left + gx * scale + dx] = (255, 255, 255, 255)


# The demonstration site's applications, named as their database entries.
DEMO_APPLICATIONS = ["MailNest", "CodeSets", "PixelPaint", "TuneBox", "QuickShell",
                     "Stovan", "StovanDatabase"]


def application_picture(index, name):
    """A 96x72 window: a title bar, a body in the application's colour and
    its initial in white."""
    width, height = 96, 72
    r, g, b = colorsys.hsv_to_rgb(index / len(DEMO_APPLICATIONS), 0.55, 0.85)
    body = (int(r * 255), int(g * 255), int(b * 255), 255)
    dark = tuple(c // 2 for c in body[:3]) + (255,)
    pixels = [[body] * width for _ in range(height)]
    for y in range(height):
        for x in range(width):
            if x in (0, width - 1) or y in (0, height - 1):
                pixels[y][x] = dark
            elif y < 10:
                pixels[y][x] = (235, 235, 235, 255) if x > 12 else dark
    letter(pixels, name[0], scale=6, top=18)
    return pixels


def main():
    root = os.path.join(os.path.dirname(__file__), "..")
    folder = os.path.join(root, "sample", "Database", "Images")
    os.makedirs(folder, exist_ok=True)
    for index, name in enumerate(TYPES):
        r, g, b = colorsys.hsv_to_rgb(index / len(TYPES), 0.65, 0.8)
        colour = (int(r * 255), int(g * 255), int(b * 255), 255)
        border = tuple(c // 2 for c in colour[:3]) + (255,)
        pixels = tile(colour, border)
        letter(pixels, name[0] if name != "UNKNOWN" else "U")
        with open(os.path.join(folder, name.lower() + ".png"), "wb") as out:
            out.write(png(pixels))
    pixels = tile((160, 160, 160, 255), (90, 90, 90, 255))
    for i in range(8, SIZE - 8):
        for d in (0, 1):
            pixels[i][i + d - 0] = (70, 70, 70, 255)
            pixels[i][SIZE - 1 - i - d] = (70, 70, 70, 255)
    with open(os.path.join(folder, "noimage.png"), "wb") as out:
        out.write(png(pixels))
    site = os.path.join(root, "sample", "site", "images")
    os.makedirs(site, exist_ok=True)
    for index, name in enumerate(DEMO_APPLICATIONS):
        with open(os.path.join(site, name), "wb") as out:
            out.write(png(application_picture(index, name)))


if __name__ == "__main__":
    main()
