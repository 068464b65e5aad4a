#!/usr/bin/env bash
# Renders the installer's pictures from their SVG sources:
#   make-resources.sh SRC_DIR OUT_DIR
# header.png (1040 x 520), logo.png (512 x 512) and app.ico (16..256 px, PNG entries) in OUT_DIR.
set -euo pipefail
src=$1 out=$2
mkdir -p "$out"
rsvg-convert -w 1040 -h 520 "$src/header.svg" -o "$out/header.png"
rsvg-convert -w 512 -h 512 "$src/logo.svg" -o "$out/logo.png"
sizes=(16 24 32 48 64 128 256)
for s in "${sizes[@]}"; do
    rsvg-convert -w "$s" -h "$s" "$src/logo.svg" -o "$out/icon-$s.png"
done
# Every size is stored as PNG (Windows reads PNG icon entries since Vista): a fraction of the
# bitmaps ImageMagick would store below 256 px, in an installer every user downloads.
python3 - "$out/app.ico" $(for s in "${sizes[@]}"; do echo "$out/icon-$s.png"; done) <<'PY'
import struct, sys
target, pngs = sys.argv[1], [open(p, "rb").read() for p in sys.argv[2:]]
offset = 6 + 16 * len(pngs)
head, body = struct.pack("<HHH", 0, 1, len(pngs)), b""
for png in pngs:
    width, height = struct.unpack(">II", png[16:24])
    head += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(png), offset + len(body))
    body += png
open(target, "wb").write(head + body)
PY
