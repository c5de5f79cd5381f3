#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the seed inputs of sim_fuzz into fuzz/corpus/ (byte layout at the
top of sim_fuzz.cpp). Run it again after changing the layout."""
import os
import struct

FLT_MAX = 3.4028234663852886e38


def pos(f):
    """Position code: any 32-bit float (mode 2)."""
    return bytes([2]) + struct.pack("<f", f)


def px(n):
    """Position code: a signed pixel count, times 15 world units (mode 0)."""
    return bytes([0]) + struct.pack("<h", n)


def press(x, y, colour=0.5, radius=0.5):
    return bytes([0]) + pos(x) + pos(y) + struct.pack("<I", int(colour * 2**24))[:3] \
        + struct.pack("<I", int(radius * 2**24))[:3]


def burst(count, cx, cy, spread, seed):
    return bytes([1, (count - 1) // 4]) + pos(cx) + pos(cy) + struct.pack("<HH", spread, seed)


def ticks(n, grid=False):
    """n ticks, by MoveBallsGrid if grid, else by MoveBalls."""
    out = b""
    while n > 0:
        k = min(n, 16)
        out += bytes([2, (k - 1) | (16 if grid else 0)])
        n -= k
    return out


def resize(w, h):
    return bytes([3]) + pos(w) + pos(h)


def start(width=9075.0):
    return pos(width)


SEEDS = {
    # The anchor alone falls to the floor of the start-up window.
    "anchor_falls": start() + ticks(130),
    # A small pile settling and jiggling.
    "small_pile": start() + burst(25, 4537.5, 2000.0, 3000, 1) + ticks(400),
    # Presses at one point: coincident centres are split along one radian.
    "same_point": start() + b"".join(press(2000.0, 1000.0, 0.1 * k, 0.1 * k) for k in range(6)) + ticks(40),
    # The full table: presses on it are ignored; one tick in a shrunken window.
    "full_table": start() + burst(1001, 4537.5, 2745.0, 4500, 7) + press(100.0, 100.0) + press(-5.0, 7.0)
    + resize(3000.0, 2000.0) + ticks(1),
    # The full table squeezed into a window of no size.
    "full_table_no_window": start() + burst(1001, 4537.5, 2745.0, 4500, 8) + resize(0.0, 0.0) + ticks(1),
    # A third of the table, stepped while the window changes.
    "crowd_resized": start() + burst(333, 4537.5, 2745.0, 4500, 9) + ticks(3) + resize(2000.0, 5490.0)
    + ticks(3) + resize(20000.0, 1000.0) + ticks(3),
    # Presses far outside the window on every side and at the float limits.
    "far_outside": start() + press(-1e30, 100.0) + press(1e30, 100.0) + press(100.0, -1e30)
    + press(100.0, 1e30) + press(FLT_MAX, -FLT_MAX, 0.99, 0.99) + press(-FLT_MAX, FLT_MAX, 0.0, 0.0)
    + ticks(20) + resize(FLT_MAX, FLT_MAX) + ticks(20) + resize(0.0, 0.0) + ticks(20),
    # Windows of no size, narrower than a ball, and vast, changing between ticks.
    "resizes": start(0.0) + burst(40, 300.0, 300.0, 600, 3) + resize(0.0, 0.0) + ticks(5)
    + resize(60.0, 100.0) + ticks(5) + resize(1e9, 1e9) + ticks(5) + resize(1.0, 5490.0) + ticks(5)
    + resize(9075.0, 5490.0) + ticks(60),
    # Balls pressed above the top fall back in.
    "above_top": start() + burst(30, 4000.0, -20000.0, 8000, 11) + ticks(300),
    # A crowded pile in a small window, pressed in pixel coordinates.
    "crowded": start() + bytes([3]) + px(200) + px(150)
    + b"".join(bytes([0]) + px(10 * k) + px(5 * k) + b"\x00\x00\x80\xff\xff\x7f" for k in range(40)) + ticks(200),
    # Small piles stepped by the grid tick: pairs on the walls and on x = 0
    # and y = 0 (sums near 0, where the quick push's check is tightest),
    # stacked balls (vertical pairs) and coincident centres.
    "grid_small_walls": start() + burst(12, 50.0, 50.0, 200, 5) + press(0.0, 0.0) + press(0.0, 0.0)
    + press(0.0, 600.0) + resize(500.0, 400.0) + ticks(40, grid=True) + resize(0.0, 0.0)
    + ticks(20, grid=True) + resize(9075.0, 5490.0) + ticks(40, grid=True),
    "grid_small_pile": start() + burst(25, 4537.5, 2000.0, 3000, 1) + ticks(300, grid=True),
}

if __name__ == "__main__":
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
    os.makedirs(here, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(here, name), "wb") as f:
            f.write(data)
