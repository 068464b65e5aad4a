#!/usr/bin/env bash
# Builds the installer against the local demo servers and runs it under Wine.
#
# The demo server listens on 127.0.0.1:18080 (the demo build's API and package host). The Wine
# prefix is kept in .cache/wine-demo, so a demo installation stays there between runs. Without an
# X display the installer runs on a private Xvfb screen: after ORB_RUN_SECONDS (default 8) a
# screenshot is saved to build/demo/screenshot.png and the window is closed.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
"$repo/tools/setup.sh"
source "$repo/tools/wine-prefix.sh"

cmake --preset demo >/dev/null
cmake --build --preset demo

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

python3 "$repo/tools/demo_server.py" --port 18080 --package "$repo/build/demo/demo-package/Orbelin.zip" &
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
