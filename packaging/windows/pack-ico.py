#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Packs PNG images into one Windows icon (.ico), each stored whole as a PNG
entry, as Windows Vista and later read them: the same PNGs give the same
bytes, with no time stamp or tool version in them.

Usage: pack-ico.py OUTPUT.ico IMAGE.png...   (square images, 1 to 256 pixels)
"""
import struct
import sys

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def png_size(data, name):
    """Width and height from the PNG's IHDR chunk, which always comes first."""
    if data[:8] != PNG_SIGNATURE or data[12:16] != b"IHDR":
        sys.exit(f"pack-ico: {name} is not a PNG file")
    width, height = struct.unpack(">II", data[16:24])
    bit_depth, colour_type = data[24], data[25]
    # 8-bit RGBA is what every icon reader takes as a PNG entry.
    if (bit_depth, colour_type) != (8, 6):
        sys.exit(f"pack-ico: {name} is not 8-bit RGBA (depth {bit_depth}, colour type {colour_type})")
    if width != height or not 1 <= width <= 256:
        sys.exit(f"pack-ico: {name} is {width} x {height}; icons are square, 1 to 256 pixels")
    return width


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    images = []
    for name in argv[2:]:
        with open(name, "rb") as f:
            data = f.read()
        images.append((png_size(data, name), data))
    # Smallest first, one entry a size.
    images.sort(key=lambda image: image[0])
    sizes = [size for size, _ in images]
    if len(set(sizes)) != len(sizes):
        sys.exit(f"pack-ico: two images of one size among {sizes}")

    # ICONDIR, then one 16-byte ICONDIRENTRY an image, then the images. A
    # width or height of 256 is written as 0; planes 1, 32 bits a pixel.
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    for size, data in images:
        side = size % 256
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(argv[1], "wb") as f:
        f.write(header + entries + b"".join(data for _, data in images))


if __name__ == "__main__":
    main(sys.argv)
