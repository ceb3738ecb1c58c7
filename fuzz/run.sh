#!/bin/sh
# Builds the fuzz targets with clang and runs each one for a while.
#   fuzz/run.sh [seconds per target]      (default 60)
# Seeds are made fresh from tools of others (ImageMagick, netpbm) and from the
# project's own files; findings land in build-fuzz/findings/<target>/.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build-fuzz

CC=clang CXX=clang++ cmake -S . -B $build -DMARROW_FUZZ=ON -DMARROW_TESTS=OFF \
  -DMARROW_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build $build -j2 --target fuzzers console_font >/dev/null

seeds=$build/seeds
rm -rf $seeds && mkdir -p $seeds/tga $seeds/pcx $seeds/lbm $seeds/font $seeds/lws $seeds/3ds
convert -size 12x7 gradient:red-blue $seeds/tga/rgb.tga
convert -size 5x9 gradient:yellow-green -alpha set -channel A -evaluate set 40% \
  $seeds/tga/rgba.tga
convert -size 12x7 gradient:red-blue -flip -define tga:image-origin=TopLeft $seeds/tga/topdown.tga
convert -size 12x7 gradient:red-blue $seeds/pcx/rgb.pcx
convert -size 12x7 gradient:red-blue -colors 16 -type Palette $seeds/pcx/pal.pcx
# The reader takes chunky "PBM " files, which no common tool writes: make two
# (raw and run-length rows) by hand, plus an ILBM from netpbm that it refuses.
python3 - "$seeds/lbm" <<'PY'
import struct, sys
def chunk(tag, body):
    return tag + struct.pack(">I", len(body)) + body + (b"\0" if len(body) % 2 else b"")
def pbm(width, height, planes, compression, body):
    bmhd = struct.pack(">HHhhBBBBHBBhh", width, height, 0, 0, planes, 0, compression, 0, 0,
                       1, 1, width, height)
    cmap = bytes((i * 37) & 255 for i in range(3 * 16))
    form = b"PBM " + chunk(b"BMHD", bmhd) + chunk(b"CMAP", cmap) + chunk(b"BODY", body)
    return b"FORM" + struct.pack(">I", len(form)) + form
rows = [bytes((x + y) % 16 for x in range(6)) for y in range(4)]
open(sys.argv[1] + "/raw.lbm", "wb").write(pbm(6, 4, 8, 0, b"".join(rows)))
packed = b"".join(bytes([5]) + r for r in rows[:2]) + bytes([256 - 5, 7]) * 2
open(sys.argv[1] + "/rle.lbm", "wb").write(pbm(6, 4, 8, 1, packed))
PY
convert -size 12x7 gradient:red-blue -colors 16 ppm:- | ppmtoilbm 2>/dev/null > $seeds/lbm/ilbm.iff
cp $build/run/CONSOLE.FNT $seeds/font/
cp tests/scene/fixtures/*.lws $seeds/lws/
# 3D Studio meshes written by assimp: two objects, one with a mapping list.
printf 'o quad\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nf 1/1 2/2 3/3\nf 1/1 3/3 4/4\no tri\nv 0 0 1\nv 1 0 1\nv 0 1 1\nf 5 6 7\n' \
  > $seeds/model.obj
assimp export $seeds/model.obj $seeds/3ds/model.3ds >/dev/null

status=0
for target in ${FUZZ_TARGETS:-tga pcx lbm font lws 3ds}; do
  findings=$build/findings/$target
  corpus=$build/corpus/$target
  mkdir -p "$findings" "$corpus"
  echo "== fuzz_$target for ${seconds}s"
  # Refused inputs leave their kernel heap blocks behind by design, and a
  # stream a fatal report skipped is not a leak of the reader: no leak checks.
  if ! $build/fuzz/fuzz_$target -max_total_time="$seconds" -detect_leaks=0 \
      -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" "$seeds/$target" \
      2>"$findings/log.txt"; then
    status=1
    tail -30 "$findings/log.txt"
  fi
  grep -E 'stat::number_of_executed_units|stat::peak_rss|cov:' "$findings/log.txt" | tail -3
done
exit $status
