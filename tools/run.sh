#!/usr/bin/env bash
# Builds the installer against the local demo servers and runs it under Wine.
#
# The demo server listens on 127.0.0.1:18080 (the demo build's API and package host) and serves a
# demo package signed with a demo publisher certificate, whose thumbprint the demo build pins. The
# certificate and package are made once, into .cache/demo. The Wine prefix is kept in
# .cache/wine-demo, so a demo installation stays there between runs. Without an
# X display the installer runs on a private Xvfb screen: after ORB_RUN_SECONDS (default 8) a
# screenshot is saved to build/demo/screenshot.png and the window is closed.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
"$repo/tools/setup.sh"
source "$repo/tools/wine-prefix.sh"

# The demo package: the test tooling builds it the way the publisher would, with the demo build's
# manifest DLL names; the demo build then pins the demo publisher's thumbprint.
cmake --preset demo >/dev/null
demo=$repo/.cache/demo
if [ ! -f "$demo/stamp" ]; then
    dlls=$(cmake -N -LA build/demo 2>/dev/null | sed -n 's/^ORB_MANIFEST_DLLS:STRING=//p' | tr ';' ',')
    echo "[run] building the signed demo package"
    python3 "$repo/tools/testpkg/make_testpkg.py" --out "$demo" --dlls "$dlls" --version 1.0.0.49 \
        --cc i686-w64-mingw32-gcc-posix --windres i686-w64-mingw32-windres >/dev/null
fi
cmake --preset demo -DORB_PUBLISHER_THUMBPRINT="$(cat "$demo/certs/publisher.thumbprint")" >/dev/null
cmake --build --preset demo

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

python3 "$repo/tools/demo_server.py" --port 18080 --package "$demo/packages/good.zip" &
pids+=($!)

headless=0
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    display=:$((90 + RANDOM % 100))
    Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=$display
    sleep 1
fi

orb_prepare_prefix "$repo/.cache/wine-demo" x11
# The demo keeps its desktop, documents and shortcuts inside the prefix, not in your home.
orb_isolate_prefix "$repo/.cache/wine-demo"
echo "[run] starting the installer (Wine prefix .cache/wine-demo)"
if [ "$headless" = 0 ]; then
    wine "$repo/build/demo/OrbelinSetup.exe"
    exit $?
fi

wine "$repo/build/demo/OrbelinSetup.exe" &
installer=$!
sleep "${ORB_RUN_SECONDS:-8}"
import -window root "$repo/build/demo/screenshot.png"
echo "[run] screenshot: build/demo/screenshot.png"
wine taskkill /im OrbelinSetup.exe >/dev/null 2>&1 || true
set +e
wait "$installer"
status=$?
echo "[run] installer exit code: $status"
wineserver -k 2>/dev/null || true
exit $status
