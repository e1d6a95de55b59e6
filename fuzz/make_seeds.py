#!/usr/bin/env python3
"""Writes small valid seed files for the fuzz targets into corpus/<target>/.

Each seed exercises the whole happy path of its reader, so the fuzzer starts
from files that parse and mutates from there.
"""
import os
import random
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

CUBE_V = [(0, 0, 0), (10, 0, 0), (10, 10, 0), (0, 10, 0),
          (0, 0, 10), (10, 0, 10), (10, 10, 10), (0, 10, 10)]
CUBE_F = [(0, 3, 2), (0, 2, 1), (4, 5, 6), (4, 6, 7), (0, 1, 5), (0, 5, 4),
          (1, 2, 6), (1, 6, 5), (2, 3, 7), (2, 7, 6), (3, 0, 4), (3, 4, 7)]
SQUARE = [(0, 0), (0, 0), (5, 0), (5, 5), (0, 5)]


def put(target, name, data):
    d = os.path.join(HERE, "corpus", target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def cube(side):
    return [tuple(c * side / 10 for c in v) for v in CUBE_V]


def stl_binary(side=10):
    out = bytearray(b"seed".ljust(80, b" ")) + struct.pack("<I", len(CUBE_F))
    for f in CUBE_F:
        out += struct.pack("<3f", 0, 0, 0)
        for i in f:
            out += struct.pack("<3f", *cube(side)[i])
        out += b"\0\0"
    return bytes(out)


def stl_ascii(side=10):
    lines = ["solid seed"]
    for f in CUBE_F:
        lines += ["  facet normal 0 0 0", "    outer loop"]
        lines += ["      vertex %g %g %g" % cube(side)[i] for i in f]
        lines += ["    endloop", "  endfacet"]
    lines.append("endsolid seed")
    return ("\n".join(lines) + "\n").encode()


def slc(thickness=0.05, layers=3):
    out = bytearray(b"-SLCVER 2.0 -UNIT MM -TYPE PART\n\x1a") + bytes(256)
    out += bytes([1]) + struct.pack("<4f", 0.0, thickness, 0.0, 0.0)
    for layer in range(layers):
        out += struct.pack("<fI", layer * thickness, 1)
        out += struct.pack("<II", len(SQUARE), 0)
        for p in SQUARE:
            out += struct.pack("<2f", *p)
    out += struct.pack("<fI", layers * thickness, 0xFFFFFFFF)
    return bytes(out)


def zdm(side=10):
    out = bytearray(b"#Brindlewax100\0\0")
    out += struct.pack("<II", len(CUBE_V), 3 * len(CUBE_F))
    for v in cube(side):
        out += struct.pack("<3f", *v)
    for f in CUBE_F:
        out += struct.pack("<3I", *f)
    return bytes(out)


def vkp(side=10):
    settings = b"[precision]\nlayerHeight = 0.05\n[raft]\nlayerCnt = 3\n"
    body = bytearray()
    base = 84
    settings_off = base
    body += settings
    # mesh model block
    mesh_off = base + len(body)
    body += struct.pack("<I", 0) + struct.pack("<ii", len(CUBE_V), 3 * len(CUBE_F)) + bytes(16)
    for v in cube(side):
        body += struct.pack("<3f", *v)
    for f in CUBE_F:
        body += struct.pack("<3i", *f)
    # slc model block, layers right behind its header
    slc_off = base + len(body)
    layers_off = slc_off + 4 + 20
    body += struct.pack("<I", 1) + struct.pack("<ffiq", 0.0, 0.05, 2, layers_off)
    for _ in range(2):
        body += struct.pack("<i", 1) + struct.pack("<i", len(SQUARE))
        for p in SQUARE:
            body += struct.pack("<2f", *p)
    # model table
    models_off = base + len(body)
    body += struct.pack("<i", 2) + struct.pack("<qq", mesh_off, slc_off)
    # reference table: the mesh twice (second shifted in x) and the slc once
    refs_off = base + len(body)
    ident = [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1]
    shifted = list(ident)
    shifted[3] = 20
    body += struct.pack("<i", 3)
    for model_id, ref_type, m in ((0, 0, ident), (0, 0, shifted), (1, 1, ident)):
        body += struct.pack("<iI", model_id, ref_type) + struct.pack("<16f", *m)
    header = bytearray(b"vkp2.".ljust(40, b"\0"))
    header += struct.pack("<qi", settings_off, len(settings)) + bytes(16)
    header += struct.pack("<qq", refs_off, models_off)
    assert len(header) == 84
    return bytes(header + body)


def ini():
    with open(os.path.join(HERE, "..", "examples", "demo.ini"), "rb") as f:
        demo = f.read()
    return demo + b"\n[waitTime]\nenable = true\nareas = 900,300\ntimes = 0,500\n"


def layer(width, height, pixels):
    """A layer file: "slic", sizes, zlib(zlib(bitmap)) with rows padded to 32 bits."""
    stride = (width + 31) // 32 * 4
    bitmap = bytearray(stride * height)
    for x, y in pixels:
        bitmap[y * stride + x // 8] |= 1 << (x % 8)
    inner = zlib.compress(bytes(bitmap), 6)
    outer = zlib.compress(inner, 6)
    return b"slic" + struct.pack("<4I", width, height, len(outer), len(inner)) + outer


def layer_shapes():
    """Two boxes touching at a corner, a ring, a pixel in the margin, noise."""
    rng = random.Random(16)
    px = {(x, y) for x in range(10, 30) for y in range(5, 15)}
    px |= {(x, y) for x in range(30, 40) for y in range(15, 25)}
    px |= {(x, y) for x in range(60, 90) for y in range(5, 35)
           if 8 <= max(abs(x - 75), abs(y - 20)) <= 12}
    px |= {(0, 20), (129, 39)}
    px |= {(rng.randrange(130), rng.randrange(40)) for _ in range(60)}
    return layer(130, 40, sorted(px))


# Settings for the whole-job target: small grids, so the jobs are run, with
# each kind of support and the options that change the layer loop.
JOB_SETTINGS = [
    ("small.ini", "[precision]\nlayerHeight = 0.1\n[raft]\nlayerCnt = 4\n"
     "[poly2img]\nsizeX = 32\nsizeY = 32\npixelX = 256\npixelY = 256\n"),
    ("solid_clean.ini", "[precision]\nlayerHeight = 0.05\n[size]\nenable = true\nscaleX = 2\n"
     "[prepOfs]\nenable = true\nangle = 10\n[infill]\nenable = true\nfillType = rectGrid\n"
     "[solidSupport]\nenable = true\n[supportCleanSolid]\nenable = true\n[raft]\nlayerCnt = 3\n"
     "[poly2img]\nsizeX = 16\nsizeY = 16\npixelX = 256\npixelY = 256\nextraBlankPixel = 8\n"
     "supportGapPixel = 2\nstaggered = true\n"),
    ("grid.ini", "[precision]\nlayerHeight = 0.1\n[postSupport]\nenable = false\n"
     "[gridSupport]\nenable = true\n[infill]\nenable = true\nfillType = supportGrid\n"
     "[supportOverlay]\nenable = true\n[raft]\nlayerCnt = 0\n[wall]\nareaPixels = 100,156\n"
     "[waitTime]\nenable = true\nareas = 0,50\ntimes = 0,900\n"
     "[poly2img]\nsizeX = 20\nsizeY = 20\npixelX = 256\npixelY = 256\nsupportGapPixel = 0\n"),
]


if __name__ == "__main__":
    put("stl", "cube_binary.stl", stl_binary())
    put("stl", "cube_ascii.stl", stl_ascii())
    put("slc", "squares.slc", slc())
    put("zdm", "cube.zdm", zdm())
    put("vkp", "project.vkp", vkp())
    put("ini", "demo.ini", ini())
    put("layer", "empty_64x8", layer(64, 8, []))
    put("layer", "full_70x3", layer(70, 3, [(x, y) for x in range(70) for y in range(3)]))
    put("layer", "shapes_130x40", layer_shapes())
    # whole jobs: 2 mm models, four layers of the fixed settings' 0.5 mm
    put("job_stl", "cube_binary.stl", stl_binary(2))
    put("job_stl", "cube_ascii.stl", stl_ascii(2))
    put("job_slc", "squares.slc", slc(0.5, 4))
    put("job_zdm", "cube.zdm", zdm(2))
    put("job_vkp", "project.vkp", vkp(2))
    for name, text in JOB_SETTINGS:
        put("job_ini", name, text.encode())
