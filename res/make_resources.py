#!/usr/bin/env python3
"""Makes kestrel's pictures: HAUPTICON.ico (16x16 and 32x32, 16 colours), NO.ico (16x16,
16 colours), MAIL.ico (16x16, 256 colours), ABOUT.bmp (240x219, monochrome), and the menu
icons of the Linux desktop, icons/NxN.png at 16, 32, 48, 64 and 128 pixels: the 16 or the 32
pixel picture enlarged by whole pixels, so that every size stays crisp.

The icons are drawn here pixel by pixel; the about text is set with ImageMagick. The output is
committed, so a build needs neither Python nor ImageMagick. Run from anywhere:
    python3 res/make_resources.py
"""
import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
VERSION = "0.1"

# The standard 16-colour palette, as (r, g, b).
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREEN, GREY, DARK_GREY, RED, GREEN, YELLOW, WHITE = 0, 2, 7, 8, 9, 10, 11, 15
CLEAR = None  # a transparent pixel


def blank(size, fill):
    return [[fill] * size for _ in range(size)]


def line(pixels, points, colour):
    """Connects the points with one-pixel steps (x from left, y from top)."""
    for (x0, y0), (x1, y1) in zip(points, points[1:]):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for s in range(steps + 1):
            x = round(x0 + (x1 - x0) * s / steps)
            y = round(y0 + (y1 - y0) * s / steps)
            pixels[y][x] = colour


def frame(pixels, colour):
    n = len(pixels)
    for i in range(n):
        pixels[0][i] = pixels[n - 1][i] = pixels[i][0] = pixels[i][n - 1] = colour


def graph_icon(size):
    """A small black graph: green incoming and red outgoing traffic, as the tray shows it."""
    k = size // 16
    pixels = blank(size, BLACK)
    frame(pixels, GREY)
    scale = lambda pts: [(x * k, y * k) for x, y in pts]
    line(pixels, scale([(1, 13), (4, 11), (6, 12), (8, 6), (10, 8), (12, 3), (14, 5)]), GREEN)
    line(pixels, scale([(1, 14), (4, 13), (7, 14), (9, 11), (11, 12), (14, 10)]), RED)
    return pixels


def no_data_icon():
    """The throughput icon before the first measurement: an empty graph with a resting line."""
    pixels = blank(16, BLACK)
    frame(pixels, DARK_GREY)
    line(pixels, [(2, 13), (13, 13)], DARK_GREEN)
    line(pixels, [(5, 5), (10, 10)], DARK_GREY)
    line(pixels, [(5, 10), (10, 5)], DARK_GREY)
    return pixels


def mail_icon():
    """A closed envelope on a clear background, in 256-colour indexes (see MAIL_PALETTE)."""
    pixels = blank(16, CLEAR)
    for y in range(3, 13):
        for x in range(1, 15):
            pixels[y][x] = 2  # paper
    for x in range(1, 15):
        pixels[3][x] = pixels[12][x] = 1  # outline
    for y in range(3, 13):
        pixels[y][1] = pixels[y][14] = 1
    line(pixels, [(1, 3), (7, 8)], 3)
    line(pixels, [(14, 3), (8, 8)], 3)
    line(pixels, [(1, 12), (5, 8)], 4)
    line(pixels, [(14, 12), (10, 8)], 4)
    return pixels


# 256 entries: a few of our own first, then a grey ramp to fill the table.
MAIL_PALETTE = [(0, 0, 0), (40, 40, 90), (255, 236, 160), (200, 120, 40), (170, 150, 90)]
MAIL_PALETTE += [(i, i, i) for i in range(5, 256)]


def dib_image(pixels, bits, palette):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, 0, 0)
    table = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    row_bytes = (size * bits + 31) // 32 * 4
    mask_bytes = (size + 31) // 32 * 4
    colour, mask = b"", b""
    for row in reversed(pixels):  # bottom-up
        if bits == 4:
            packed = bytes(((row[x] or 0) << 4) | (row[x + 1] or 0) for x in range(0, size, 2))
        else:
            packed = bytes(p or 0 for p in row)
        colour += packed.ljust(row_bytes, b"\0")
        bitsrow = 0
        for x, p in enumerate(row):
            if p is CLEAR:
                bitsrow |= 1 << (size - 1 - x)
        mask += bitsrow.to_bytes(size // 8, "big").ljust(mask_bytes, b"\0")
    return header + table + colour + mask


def write_ico(name, images):
    """images: (pixels, bits, palette) each; writes res/<name>.ico."""
    blobs = [dib_image(*image) for image in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (pixels, bits, _), blob in zip(images, blobs):
        size = len(pixels)
        colours = 16 if bits == 4 else 0
        out += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    with open(os.path.join(HERE, name + ".ico"), "wb") as f:
        f.write(out + b"".join(blobs))


def write_about():
    text = [
        (26, 24, f"kestrel {VERSION}"),
        (13, 0, ""),
        (13, 0, "Live network throughput in the"),
        (13, 0, "tray and a small window, and a"),
        (13, 0, "watch on up to three POP3"),
        (13, 0, "mailboxes."),
        (13, 0, ""),
        (13, 0, "Start it with the word quiet on"),
        (13, 0, "the command line and it hides"),
        (13, 0, "itself at the first tick."),
    ]
    args = ["convert", "-size", "240x219", "xc:white", "-fill", "black",
            "-stroke", "black", "-strokewidth", "2", "-draw", "rectangle 3,3 236,215",
            "-stroke", "none", "-fill", "white", "-draw", "rectangle 6,6 233,212",
            "-fill", "black", "-font", "Liberation-Sans"]
    y = 16
    for height, points, words in text:
        if points:
            args += ["-pointsize", str(points), "-font", "Liberation-Sans-Bold"]
        else:
            args += ["-pointsize", "13", "-font", "Liberation-Sans"]
        y += height if points == 0 else points + 4
        if words:
            args += ["-annotate", f"+14+{y}", words]
    args += ["-threshold", "50%", "-type", "bilevel", "-compress", "none",
             "BMP3:" + os.path.join(HERE, "ABOUT.bmp")]
    subprocess.run(args, check=True)


def write_menu_icons():
    """Each size from the ico's image that divides it, enlarged without smoothing."""
    os.makedirs(os.path.join(HERE, "icons"), exist_ok=True)
    ico = os.path.join(HERE, "HAUPTICON.ico")
    for size in (16, 32, 48, 64, 128):
        frame_index, base = (1, 32) if size % 32 == 0 else (0, 16)
        out = os.path.join(HERE, "icons", f"{size}x{size}.png")
        subprocess.run(["convert", f"{ico}[{frame_index}]", "-filter", "point", "-resize",
                        f"{size // base * 100}%", "-strip", "PNG32:" + out], check=True)


def main():
    write_ico("HAUPTICON", [(graph_icon(16), 4, VGA), (graph_icon(32), 4, VGA)])
    write_menu_icons()
    write_ico("NO", [(no_data_icon(), 4, VGA)])
    write_ico("MAIL", [(mail_icon(), 8, MAIL_PALETTE)])
    write_about()
    return 0


if __name__ == "__main__":
    sys.exit(main())
