#!/usr/bin/env bash
# Builds the release installer (preset release, i686) twice, from two fresh clones of HEAD in
# differently named folders and at different times, and fails unless the two unsigned
# OrbelinSetup.exe are byte for byte the same and name neither folder.
#
#   tools/check-reproducible.sh
#
# Both builds use this checkout's third-party cache (ORB_DEPS_DIR, default .cache), so libcurl is
# not rebuilt; run tools/setup.sh first. Only committed work is built. CMAKE_BUILD_PARALLEL_LEVEL
# limits the build jobs.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
say() { printf '[repro] %s\n' "$*" >&2; }
die() { printf '[repro] error: %s\n' "$*" >&2; exit 1; }

deps=$(cd "${ORB_DEPS_DIR:-$repo/.cache}" 2>/dev/null && pwd -P) || die "no third-party cache; run tools/setup.sh first"
[ -f "$deps/curl-i686/lib/cmake/CURL/CURLConfig.cmake" ] || die "libcurl for i686 is missing from $deps; run tools/setup.sh first"
head=$(git -C "$repo" rev-parse HEAD)

first=$(mktemp -d /tmp/orb-repro-A.XXXXXX)
second=$(mktemp -d /tmp/orb-repro-B-other-name.XXXXXX)
trap 'rm -rf "$first" "$second"' EXIT

# build_release DIR: clones HEAD into DIR/src and builds the release installer there.
build_release() {
    local dir=$1
    git clone -q --no-checkout "$repo" "$dir/src"
    git -C "$dir/src" checkout -q --detach "$head"
    say "building $head in $dir/src ($(date -u +%H:%M:%S) UTC)"
    (cd "$dir/src" && cmake --preset release -DORB_DEPS_DIR="$deps" >"$dir/configure.log" 2>&1 &&
        cmake --build --preset release --target OrbelinSetup >"$dir/build.log" 2>&1) ||
        { tail -n 30 "$dir/configure.log" "$dir/build.log" >&2 2>/dev/null; die "the release build in $dir failed"; }
}

build_release "$first"
# Anything that read the clock would now read another second.
sleep 2
build_release "$second"

exe_a=$first/src/build/release/OrbelinSetup.exe
exe_b=$second/src/build/release/OrbelinSetup.exe
hash_a=$(sha256sum "$exe_a" | cut -d' ' -f1)
hash_b=$(sha256sum "$exe_b" | cut -d' ' -f1)
echo "[repro] $hash_a  $exe_a"
echo "[repro] $hash_b  $exe_b"

status=0
if [ "$hash_a" != "$hash_b" ]; then
    say "the two builds differ; first differing bytes (offset, octal A, octal B):"
    cmp -l "$exe_a" "$exe_b" | head -n 20 >&2 || true
    status=1
fi
for dir in "$first" "$second"; do
    if grep -qaF "$dir" "$exe_a" "$exe_b"; then
        say "a build folder ($dir) is named inside the executable"
        status=1
    fi
done
[ "$status" = 0 ] && say "identical: $(stat -c %s "$exe_a") bytes"
exit $status
