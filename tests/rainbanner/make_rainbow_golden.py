#!/usr/bin/env python3
"""Writes the reference colours of the first 10,000 rainbow indices.

An independent model of the colour rule: every single-precision step is rounded to binary32
with struct, so the C++ code (native and the 32-bit Windows build under Wine) is checked
against arithmetic it does not share.
"""
import math
import struct
import sys


def f32(x: float) -> float:
    return struct.unpack("<f", struct.pack("<f", x))[0]


def colour(n: int):
    x = f32(f32(float(n)) * f32(0.12))
    out = []
    for offset in (0.0, 2.0, 4.0):
        s = f32(math.sin(f32(x + offset)))
        out.append(int(f32(f32(s * 127.0) + 128.0)))
    return out


def main() -> None:
    path = sys.argv[1] if len(sys.argv) > 1 else "rainbow_10000.txt"
    with open(path, "w", newline="\n") as f:
        for n in range(10000):
            f.write("%d %d %d\n" % tuple(colour(n)))


if __name__ == "__main__":
    main()
