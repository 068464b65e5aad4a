#!/usr/bin/env bash
# Renders the installer's pictures from their SVG sources:
#   make-resources.sh SRC_DIR OUT_DIR
# header.png (1040 x 520), logo.png (512 x 512) and app.ico (16..256 px) in OUT_DIR.
set -euo pipefail
src=$1 out=$2
mkdir -p "$out"
rsvg-convert -w 1040 -h 520 "$src/header.svg" -o "$out/header.png"
rsvg-convert -w 512 -h 512 "$src/logo.svg" -o "$out/logo.png"
sizes=(16 24 32 48 64 128 256)
for s in "${sizes[@]}"; do
    rsvg-convert -w "$s" -h "$s" "$src/logo.svg" -o "$out/icon-$s.png"
done
convert $(for s in "${sizes[@]}"; do echo "$out/icon-$s.png"; done) "$out/app.ico"
