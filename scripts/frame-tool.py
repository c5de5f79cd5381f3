#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Reads screenshots and reference frames as binary PPM (P6, 8 bits).

  frame-tool.py dot FILE            centre of the black dot (the anchor
                                    ball): "X Y" in pixels, the mean of the
                                    pixels darker than 32 in every channel
  frame-tool.py pixel FILE X Y      the pixel at (X, Y) as RRGGBB
  frame-tool.py compare A B [XMIN]  how many pixels differ, columns left of
                                    XMIN left out; A and B must be the same
                                    size. Exits 1 when any differ.
"""
import sys


def read_ppm(name):
    with open(name, "rb") as f:
        data = f.read()
    # Header: P6, width, height, 255, each after white space; comments none.
    fields = []
    at = 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        start = at
        while not data[at:at + 1].isspace():
            at += 1
        fields.append(data[start:at])
    at += 1
    if fields[0] != b"P6" or fields[3] != b"255":
        sys.exit(f"frame-tool: {name} is not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[at:at + 3 * width * height]
    if len(pixels) != 3 * width * height:
        sys.exit(f"frame-tool: {name} is cut short")
    return width, height, pixels


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    command, name = argv[1], argv[2]
    width, height, pixels = read_ppm(name)
    if command == "dot":
        xs = ys = n = 0
        for y in range(height):
            row = pixels[3 * width * y:3 * width * (y + 1)]
            for x in range(width):
                if max(row[3 * x:3 * x + 3]) < 32:
                    xs += x
                    ys += y
                    n += 1
        if n == 0:
            sys.exit(f"frame-tool: no black dot in {name}")
        print(f"{xs / n:.2f} {ys / n:.2f}")
    elif command == "pixel":
        x, y = int(argv[3]), int(argv[4])
        print(pixels[3 * (width * y + x):3 * (width * y + x) + 3].hex().upper())
    elif command == "compare":
        other_width, other_height, other = read_ppm(argv[3])
        if (other_width, other_height) != (width, height):
            print(f"{name} is {width}x{height}, {argv[3]} {other_width}x{other_height}")
            return 1
        x_min = int(argv[4]) if len(argv) > 4 else 0
        differ = 0
        for y in range(height):
            start = 3 * (width * y + x_min)
            end = 3 * width * (y + 1)
            if pixels[start:end] != other[start:end]:
                differ += sum(pixels[k:k + 3] != other[k:k + 3] for k in range(start, end, 3))
        print(differ)
        return 1 if differ else 0
    else:
        sys.exit(__doc__)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
