#!/usr/bin/env bash
# Benchmark (not a test): extracts a ~200 MiB package of a few thousand files three ways and prints
# "key: value" lines, the ratios last:
#   - ExtractPackage under Wine (the installer's code, cross-built);
#   - Debian's unzip, natively;
#   - a plain Win32 writer under Wine writing the same bytes into the same files (no inflation),
#     the floor of what any extraction under Wine can reach.
# The package and every extracted tree are made at run time in a temporary folder and deleted.
#
#   bench/extract/run.sh [--files N] [--mib M]
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$repo"
source "$repo/tools/wine-prefix.sh"

export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}  # a shared build machine
cmake --preset test >/dev/null
cmake --build --preset test --target bench_extract >/dev/null
exe=$repo/build/test/bench/bench_extract.exe

work=$(mktemp -d /tmp/orb-bench-extract.XXXXXX)
prefix=$work/prefix
cleanup() {
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
orb_prepare_prefix "$prefix" null
orb_isolate_prefix "$prefix"
wineserver -p
unset DISPLAY
winpath() { echo "Z:${1//\//\\}"; }

python3 "$repo/bench/extract/make_package.py" "$work/package.zip" "$@"
files=$(unzip -Z1 "$work/package.zip" | wc -l)
bytes=$(unzip -Zt "$work/package.zip" | sed -n 's/.* \([0-9]*\) bytes uncompressed.*/\1/p')
echo "package_files: $files"
echo "package_uncompressed_mib: $((bytes / 1048576))"
echo "package_zip_mib: $(( $(stat -c %s "$work/package.zip") / 1048576 ))"

sync
extract=$(wine "$exe" extract "$(winpath "$work/package.zip")" "$(winpath "$work/extracted")" | tr -d '\r')
echo "$extract"
sync
writer=$(wine "$exe" write "$(winpath "$work/extracted")" "$(winpath "$work/written")" | tr -d '\r')
echo "$writer"
rm -rf "$work/written"
sync

start=$(date +%s.%N)
unzip -q "$work/package.zip" -d "$work/unzipped"
end=$(date +%s.%N)
unzip_seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
printf 'unzip_native_seconds: %.3f\n' "$unzip_seconds"
if ! diff -rq "$work/extracted" "$work/unzipped" >/dev/null; then
    echo "ExtractPackage and unzip produced different trees" >&2
    exit 1
fi

extract_seconds=${extract##*: }
writer_seconds=${writer##*: }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "ratio_extract_package_to_unzip: $(ratio "$extract_seconds" "$unzip_seconds")"
echo "ratio_extract_package_to_win32_writer: $(ratio "$extract_seconds" "$writer_seconds")"
