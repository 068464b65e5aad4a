#!/usr/bin/env bash
# Builds everything and runs every test, one CMake workflow preset per suite (CMakePresets.json):
#   1. test64: the whole suite built for x86_64 and run under 64-bit Wine in a fresh win64 prefix,
#      on every machine; its build makes the shipped installer (i686, PE32) first, which the suites
#      check statically;
#   2. test: the whole suite built for i686 and run under 32-bit Wine in a fresh win32 prefix, where
#      this machine can start 32-bit processes (a line says so when it cannot, and why);
#   3. native: the pure logic built natively and tested with address and undefined-behaviour
#      sanitizers; fuzz: its libFuzzer targets (clang) run briefly, each checking its invariants;
#   4. tools/check-reproducible.sh builds the release installer from two clean clones and compares
#      them byte for byte;
#   5. flow (flow64 for x86_64): the demo installer driven with clicks and keys under Xvfb against
#      the local demo server, with a screenshot of every page.
# Exits non-zero on any failure. Pass ctest options after the command, e.g. tools/test.sh -R pipeline:
# the suites then run their build and test presets with them, and 4 and 5 are left out.
# ORB_WIN64_ONLY=1 takes the 64-bit-only path on any machine.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
"$repo/tools/setup.sh"
source "$repo/tools/wine-prefix.sh"

declare -A results
status=0
# suite NAME COMMAND...: runs one suite and records how it went.
suite() {
    local name=$1
    shift
    echo "[test] $name suite"
    if "$@"; then
        results[$name]=passed
    else
        results[$name]=FAILED
        status=1
    fi
}
# presets PRESET [CTEST_OPTIONS...]: the preset's workflow, or its steps with the options given to ctest.
presets() {
    local preset=$1
    shift
    if [ $# -eq 0 ]; then
        cmake --workflow --preset "$preset"
    else
        cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" && ctest --preset "$preset" "$@"
    fi
}

suite x86_64 presets test64 "$@"
if orb_probe_32bit; then
    suite i686 presets test "$@"
    flow=flow
else
    results[i686]="skipped: $ORB_NO_32BIT_REASON"
    echo "[test] i686 suite skipped: $ORB_NO_32BIT_REASON; the x86_64 suite ran the same tests"
    flow=flow64
fi
suite native presets native "$@"
suite fuzz presets fuzz "$@"
if [ $# -eq 0 ]; then
    suite repro "$repo/tools/check-reproducible.sh"
    suite flow presets $flow
else
    results[repro]="skipped: ctest options narrow the run"
    results[flow]="skipped: ctest options narrow the run"
fi

echo "[test] x86_64 suite (64-bit Wine): ${results[x86_64]}"
echo "[test] i686 suite (32-bit Wine): ${results[i686]}"
echo "[test] native suite (sanitizers): ${results[native]}"
echo "[test] fuzz suite (native, libFuzzer): ${results[fuzz]}"
echo "[test] reproducible release build: ${results[repro]}"
echo "[test] flow suite (Xvfb, demo build): ${results[flow]}"
exit $status
