#!/bin/sh
# Writes seeds for every fuzz target into <folder>/<target>/:
# small files made by the tools of others where they exist (ImageMagick,
# netpbm, assimp), the tree's own scene files, and hand-made files for the
# formats no common tool writes. The committed corpus is what libFuzzer's
# merge keeps of them (the seeds that add coverage):
#   fuzz/make-seeds.sh /tmp/seeds
#   build-fuzz/fuzz/fuzz_<target> -merge=1 <empty folder> /tmp/seeds/<target>
set -eu
out=$(mkdir -p "$1" && cd "$1" && pwd)
cd "$(dirname "$0")/.."
for t in tga pcx lbm font lws 3ds registry lumenfall_args example_args; do
  mkdir -p "$out/$t"
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Targa: ImageMagick bottom-up, top-down and with alpha; netpbm; run-length
# and grey ones the reader refuses.
convert -size 6x4 gradient:red-blue "$out/tga/magick-rgb.tga"
convert -size 5x3 gradient:yellow-green -alpha set -channel A -evaluate set 40% "$out/tga/magick-rgba.tga"
convert -size 6x4 gradient:red-blue -define tga:image-origin=TopLeft "$out/tga/magick-topdown.tga"
convert -size 6x4 gradient:red-blue -compress RLE "$out/tga/magick-rle.tga"
convert -size 6x4 gradient:red-blue ppm:- | ppmtotga -rgb -norle 2>/dev/null > "$out/tga/netpbm-rgb.tga"

# PCX: ImageMagick true colour (3 planes) and 256 colours, netpbm 16 colours.
convert -size 6x4 gradient:red-blue "$out/pcx/magick-rgb.pcx"
convert -size 6x4 gradient:red-blue -colors 16 -type Palette "$out/pcx/magick-pal.pcx"
convert -size 6x4 gradient:red-blue -colors 8 ppm:- | ppmtopcx -8bit 2>/dev/null > "$out/pcx/netpbm-pal.pcx"

# IFF: netpbm writes planar ILBM (refused); chunky "PBM " files, raw and
# ByteRun1, of 8, 4 and 1 planes are made by hand.
convert -size 6x4 gradient:red-blue -colors 16 ppm:- | ppmtoilbm 2>/dev/null > "$out/lbm/netpbm.ilbm"
python3 - "$out" <<'PY'
import struct, sys
out = sys.argv[1]
def chunk(tag, body):
    return tag + struct.pack(">I", len(body)) + body + (b"\0" if len(body) % 2 else b"")
def pbm(width, height, planes, compression, body, entries):
    bmhd = struct.pack(">HHhhBBBBHBBhh", width, height, 0, 0, planes, 0, compression, 0, 0, 1, 1,
                       width, height)
    cmap = bytes((i * 37) & 255 for i in range(3 * entries))
    form = b"PBM " + chunk(b"BMHD", bmhd) + chunk(b"CMAP", cmap) + chunk(b"BODY", body)
    return b"FORM" + struct.pack(">I", len(form)) + form
rows = [bytes((x + y) % 16 for x in range(6)) for y in range(3)]
open(out + "/lbm/raw8.lbm", "wb").write(pbm(6, 3, 8, 0, b"".join(rows), 256))
packed = bytes([5]) + rows[0] + bytes([256 - 5, 7]) + bytes([2, 1, 2, 3, 256 - 2, 4])
open(out + "/lbm/rle4.lbm", "wb").write(pbm(6, 3, 4, 1, packed, 16))
open(out + "/lbm/odd1.lbm", "wb").write(pbm(3, 2, 1, 0, bytes([0, 1, 0, 0, 1, 1, 0, 0]), 2))

# Font: one 8 x 4 page of 8-bit pixels with a palette, two glyphs cut from it.
page = struct.pack("<5i", 3, 8, 4, 768, 32) + bytes(i % 256 for i in range(768)) + bytes(range(32))
glyphs = bytearray()
for code in range(256):
    glyph = (4, 4, 0, 0, 0, 0) if code == 65 else (4, 4, 0, 4, 0, 0) if code == 66 else (0, 0, -1, 0, 0, 0)
    glyphs += struct.pack("<6i", *glyph)
font = struct.pack("<5I", 0x544E464D, 0x00030100, 2, 8, 8) + glyphs + struct.pack("<i", 1) + page
open(out + "/font/two-glyphs.fnt", "wb").write(font)
# One 2048 x 1024 page of 24-bit pixels, more than the fuzz heap's 5 MB: the
# reader must refuse it before allocating (the pixels are not in the file).
large = struct.pack("<5i", 14, 2048, 1024, 0, 2048 * 1024 * 3)
open(out + "/font/page-beyond-heap.fnt", "wb").write(font[:20 + len(glyphs)] + struct.pack("<i", 1) + large)

# Registry file: the forms the POSIX layer reads.
open(out + "/registry/policies.reg", "w").write(
    "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer]\n"
    "\"NoDriveTypeAutoRun\"=dword:00000095\n@=\"default\"\n\"Bytes\"=hex:01,02,\\\n  03\n"
    "\"Typed\"=hex(2):41,00\n\"Quoted \\\"name\\\"\"=\"a \\\\ b\"\n\n[-HKEY_CURRENT_USER\\Gone]\n; a comment\n")

# Command lines: arguments separated by NUL bytes.
def line(name, *arguments):
    open(name, "wb").write(b"\0".join(a.encode() for a in arguments))
line(out + "/lumenfall_args/config", "/c:1234")
line(out + "/lumenfall_args/preview", "/p", "1234")
line(out + "/lumenfall_args/headless", "--headless", "--frames", "20", "--time", "1.5", "--snapshot",
     "x.png", "--fps")
line(out + "/lumenfall_args/window", "-window-id", "0x400001", "--window", "--seconds", "2.5")
line(out + "/example_args/mesh", "--headless", "--frames", "3", "--mesh", "torus.3ds", "--snapshot", "e.png")
line(out + "/example_args/scene", "--scene", "studio.lws", "--help")
PY

# LightWave scenes: the tree's own.
cp tests/scene/fixtures/hangar.lws examples/studio.lws "$out/lws/"

# 3D Studio: assimp writes two objects, one with a mapping list, and the
# example's torus.
printf 'o quad\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nf 1/1 2/2 3/3\nf 1/1 3/3 4/4\no tri\nv 0 0 1\nv 1 0 1\nv 0 1 1\nf 5 6 7\n' \
  > "$scratch/model.obj"
assimp export "$scratch/model.obj" "$out/3ds/assimp-two-objects.3ds" >/dev/null
