#!/usr/bin/env python3
"""Writes examples/bracket.stl: a small test part for the demo job.

A 30 x 20 x 4 mm base plate with an 8 x 8 mm through hole, a 12 x 12 mm
tower rising to 14 mm, and an arm that overhangs the plate at 11 to 14 mm,
so the job has holes, islands and overhangs. Built from closed boxes with
outward (counter-clockwise) facets; the slicer unions overlapping shells.
"""
import struct
import sys


def box(x0, y0, z0, x1, y1, z1):
    v = [(x0, y0, z0), (x1, y0, z0), (x1, y1, z0), (x0, y1, z0),
         (x0, y0, z1), (x1, y0, z1), (x1, y1, z1), (x0, y1, z1)]
    quads = [(0, 3, 2, 1), (4, 5, 6, 7), (0, 1, 5, 4),
             (1, 2, 6, 5), (2, 3, 7, 6), (3, 0, 4, 7)]
    tris = []
    for a, b, c, d in quads:
        tris.append((v[a], v[b], v[c]))
        tris.append((v[a], v[c], v[d]))
    return tris


def main(path):
    tris = []
    # base plate as a frame of four boxes around the hole (x -4..4, y -4..4)
    tris += box(-15, -10, 0, 15, -4, 4)
    tris += box(-15, 4, 0, 15, 10, 4)
    tris += box(-15, -4, 0, -4, 4, 4)
    tris += box(4, -4, 0, 15, 4, 4)
    tris += box(6, -6, 4, 14, 6, 14)       # tower
    tris += box(-12, -3, 11, 6, 3, 14)     # arm over the hole and the plate
    with open(path, "wb") as f:
        f.write(b"Voxmill demo bracket".ljust(80, b" "))
        f.write(struct.pack("<I", len(tris)))
        for t in tris:
            f.write(struct.pack("<3f", 0, 0, 0))
            for p in t:
                f.write(struct.pack("<3f", *p))
            f.write(b"\0\0")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "bracket.stl")
