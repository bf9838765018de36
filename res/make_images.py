#!/usr/bin/python3
"""Draws the Tolvan logo (logo.bmp) and the application icon (tarnwick.ico).

Run from anywhere with Debian's python3-pil and fonts-wine installed; the output is the same
on every run, and both files are committed, so the build itself needs neither.
"""
import struct
from pathlib import Path

from PIL import Image, ImageDraw, ImageFont

HERE = Path(__file__).resolve().parent
FONT = "/usr/share/wine/fonts/tahomabd.ttf"
GREEN = (0, 150, 70)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
SCALE = 4  # drawn large, then reduced, for smooth edges


def draw_logo(size, name_height, dollar_height):
    big = size * SCALE
    image = Image.new("RGB", (big, big), WHITE)
    draw = ImageDraw.Draw(image)

    def centred(text, font, fill, outline=0):
        left, top, right, bottom = draw.textbbox((0, 0), text, font=font, stroke_width=outline)
        at = ((big - (right - left)) / 2 - left, (big - (bottom - top)) / 2 - top)
        draw.text(at, text, font=font, fill=fill, stroke_width=outline, stroke_fill=WHITE)

    centred("$", ImageFont.truetype(FONT, dollar_height * SCALE), GREEN)
    centred("TOLVAN", ImageFont.truetype(FONT, name_height * SCALE), BLACK,
            outline=max(1, name_height * SCALE // 7))
    return image.resize((size, size), Image.LANCZOS)


def write_bmp(image, path):
    """24 bits per pixel, bottom-up rows, 3780 pixels per metre, no palette."""
    width, height = image.size
    row_size = (width * 3 + 3) & ~3
    pixels = bytearray()
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = image.getpixel((x, y))
            row += bytes((b, g, r))
        pixels += row + bytes(row_size - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    path.write_bytes(header + info + pixels)


def write_ico(image, path):
    """One 32 x 32 image, 8 bits per pixel with a 256-entry palette and a 1-bit mask."""
    size = image.size[0]
    indexed = image.quantize(colors=256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = indexed.getpalette()[: 256 * 3]
    palette += [0] * (256 * 3 - len(palette))
    colours = b"".join(bytes((palette[i + 2], palette[i + 1], palette[i], 0)) for i in range(0, 768, 3))
    xor = b"".join(bytes(indexed.getpixel((x, y)) for x in range(size)) for y in reversed(range(size)))
    mask_row = ((size + 31) // 32) * 4
    and_mask = bytes(mask_row * size)  # every pixel opaque
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, len(xor) + len(and_mask), 0, 0, 256, 0)
    image_data = info + colours + xor + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(image_data), 6 + 16)
    path.write_bytes(directory + entry + image_data)


if __name__ == "__main__":
    write_bmp(draw_logo(150, name_height=30, dollar_height=150), HERE / "logo.bmp")
    write_ico(draw_logo(32, name_height=8, dollar_height=34), HERE / "tarnwick.ico")
