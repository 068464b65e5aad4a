#!/usr/bin/env bash
# Builds everything and runs every test:
#   1. the shipped installer (i686, PE32), checked statically by the suites below;
#   2. the whole suite built for x86_64 and run by ctest under 64-bit Wine in a fresh win64 prefix,
#      on every machine;
#   3. the whole suite built for i686 and run under 32-bit Wine in a fresh win32 prefix, where this
#      machine can start 32-bit processes (a line says so when it cannot, and why);
#   4. the pure logic built natively and tested with address and undefined-behaviour sanitizers,
#      and its libFuzzer targets (preset fuzz, clang) run briefly, each checking its invariants;
#   5. the flow suite (tools/flow-test.sh): the demo installer driven with clicks and keys under
#      Xvfb against the local demo server, with a screenshot of every page. It is left out when
#      ctest options narrow the run.
#   Before the flow suite, tools/check-reproducible.sh builds the release installer from two clean
#   clones and compares them byte for byte (also left out when ctest options narrow the run).
# Exits non-zero on any failure. Pass ctest options after the command, e.g. tools/test.sh -R pipeline.
# ORB_WIN64_ONLY=1 takes the 64-bit-only path on any machine.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
"$repo/tools/setup.sh"
source "$repo/tools/wine-prefix.sh"

run32=0
if orb_probe_32bit; then
    run32=1
fi

echo "[test] building the shipped installer (cross, i686-w64-mingw32)"
cmake --preset test >/dev/null
if [ "$run32" = 1 ]; then
    cmake --build --preset test
else
    cmake --build --preset test --target OrbelinSetup
fi

echo "[test] building the tests (cross, x86_64-w64-mingw32)"
cmake --preset test64 >/dev/null
cmake --build --preset test64

echo "[test] building (native, sanitizers)"
cmake --preset native >/dev/null
cmake --build --preset native

echo "[test] building the fuzz targets (native, clang, libFuzzer)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# A fresh prefix per suite keeps registry and file-system effects away from other runs and from
# the developer's own prefix. One persistent wineserver serves every test process of the suite.
prefix=
stop_prefix() {
    if [ -n "$prefix" ]; then
        orb_wineserver -k >/dev/null 2>&1 || true
        orb_unmap_test_drives "$prefix"
        rm -rf "$prefix"
        prefix=
    fi
}
trap stop_prefix EXIT

declare -A results
status=0

# run_suite FLAVOUR CTEST_ARGS...: one flavour's whole suite in its own fresh prefix.
run_suite() {
    local flavour=$1
    shift
    orb_use_flavour "$flavour"
    prefix=$(mktemp -d "/tmp/orb-wine-test-$flavour.XXXXXX")
    echo "[test] creating $WINEARCH Wine prefix $prefix"
    orb_prepare_prefix "$prefix" null
    orb_isolate_prefix "$prefix"
    orb_map_test_drives "$prefix"
    orb_wineserver -p
    echo "[test] $flavour suite under $WINEARCH Wine (build/$ORB_TEST_PRESET)"
    # Windows are created without an X display; screenshots use their own Xvfb.
    if (unset DISPLAY; ctest --test-dir "build/$ORB_TEST_PRESET" --output-on-failure -j2 "$@"); then
        results[$flavour]=passed
    else
        results[$flavour]=FAILED
        status=1
    fi
    stop_prefix
}

run_suite x86_64 "$@"
if [ "$run32" = 1 ]; then
    run_suite i686 "$@"
else
    results[i686]="skipped: $ORB_NO_32BIT_REASON"
    echo "[test] i686 suite skipped: $ORB_NO_32BIT_REASON; the x86_64 suite ran the same tests"
fi

# run_native NAME BUILD_DIR CTEST_ARGS...: a suite that runs on this machine without Wine.
run_native() {
    local name=$1 dir=$2
    shift 2
    if ctest --test-dir "$dir" --output-on-failure -j2 "$@"; then
        results[$name]=passed
    else
        results[$name]=FAILED
        status=1
    fi
}

echo "[test] native tests"
run_native native build/native "$@"
echo "[test] fuzz targets"
run_native fuzz build/fuzz "$@"

if [ $# -eq 0 ]; then
    echo "[test] reproducible release build (two clean clones)"
    if "$repo/tools/check-reproducible.sh"; then
        results[repro]=passed
    else
        results[repro]=FAILED
        status=1
    fi
else
    results[repro]="skipped: ctest options narrow the run"
fi

if [ $# -eq 0 ]; then
    echo "[test] flow suite"
    if "$repo/tools/flow-test.sh"; then
        results[flow]=passed
    else
        results[flow]=FAILED
        status=1
    fi
else
    results[flow]="skipped: ctest options narrow the run"
fi

echo "[test] x86_64 suite (64-bit Wine): ${results[x86_64]}"
echo "[test] i686 suite (32-bit Wine): ${results[i686]}"
echo "[test] native suite (sanitizers): ${results[native]}"
echo "[test] fuzz suite (native, libFuzzer): ${results[fuzz]}"
echo "[test] reproducible release build: ${results[repro]}"
echo "[test] flow suite (Xvfb, demo build): ${results[flow]}"
exit $status
