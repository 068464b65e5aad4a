#!/usr/bin/env bash
# Builds everything and runs every test:
#   1. the cross-built installer and its tests, run by ctest under Wine in a fresh 32-bit prefix;
#   2. the pure logic built natively and tested with address and undefined-behaviour sanitizers.
# Exits non-zero on any failure. Pass ctest options after the command, e.g. tools/test.sh -R pipeline.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
"$repo/tools/setup.sh"
source "$repo/tools/wine-prefix.sh"

echo "[test] building (cross, i686-w64-mingw32)"
cmake --preset test >/dev/null
cmake --build --preset test

echo "[test] building (native, sanitizers)"
cmake --preset native >/dev/null
cmake --build --preset native

# A fresh prefix per run keeps registry and file-system effects away from other runs and from the
# developer's own prefix. One persistent wineserver serves every test process of the run.
prefix=$(mktemp -d /tmp/orb-wine-test.XXXXXX)
cleanup() {
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
}
trap cleanup EXIT
echo "[test] creating Wine prefix $prefix"
orb_prepare_prefix "$prefix" null
orb_isolate_prefix "$prefix"
wineserver -p
unset DISPLAY  # windows are created without an X display; screenshots use their own Xvfb

status=0
echo "[test] Windows tests under Wine"
ctest --test-dir build/test --output-on-failure -j2 "$@" || status=1
echo "[test] native tests"
ctest --test-dir build/native --output-on-failure -j2 "$@" || status=1
exit $status
