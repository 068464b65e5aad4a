#!/usr/bin/env bash
# Builds the installer against the local demo servers and runs it under Wine.
#
# Where this machine can start 32-bit processes it runs the shipped flavour, the i686 installer;
# otherwise the same code built for x86_64 under 64-bit Wine, and says so (ORB_WIN64_ONLY=1 takes
# that path on any machine).
#
# The demo server listens on 127.0.0.1:18080 (the demo build's API and package host) and serves a
# demo package signed with a demo publisher certificate, whose thumbprint the demo build pins. The
# certificate and package are made once per flavour, into .cache/demo-FLAVOUR. The Wine prefix is
# kept in .cache/wine-demo-FLAVOUR, so a demo installation stays there between runs. The package
# is spread over 3 seconds so that the progress can be watched. Without an X display the installer
# runs on a private Xvfb screen and the script plays the user (see below), saving a screenshot of
# each page into build/demo/ (build/demo64/ for x86_64).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
"$repo/tools/setup.sh"
source "$repo/tools/wine-prefix.sh"
orb_choose_flavour
if [ "$ORB_FLAVOUR" = i686 ]; then
    preset=demo
else
    preset=demo64
    echo "[demo] the x86_64 build of the installer: $ORB_NO_32BIT_REASON"
fi
# The build makes the demo package too (once) and pins its publisher's thumbprint.
cmake --preset $preset >/dev/null
cmake --build --preset $preset
installer=$repo/build/$preset/OrbelinSetup.exe
demo=$repo/.cache/demo-$ORB_FLAVOUR

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

python3 "$repo/tools/demo_server.py" --port 18080 --package "$demo/packages/good.zip" --seconds 3 &
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

orb_prepare_prefix "$repo/.cache/wine-demo-$ORB_FLAVOUR" x11
# The demo keeps its desktop, documents and shortcuts inside the prefix, not in your home.
orb_isolate_prefix "$repo/.cache/wine-demo-$ORB_FLAVOUR"
echo "[run] starting build/$preset/OrbelinSetup.exe ($ORB_FLAVOUR; Wine prefix .cache/wine-demo-$ORB_FLAVOUR)"
if [ "$headless" = 0 ]; then
    orb_wine "$installer"
    exit $?
fi

orb_wine "$installer" &
running=$!
# Headless: play the user. Screenshots of the main page, the custom-directory page, the installing
# look and the finish page.
shot() {
    import -window root "$repo/build/$preset/screenshot-$1.png"
    echo "[run] screenshot: build/$preset/screenshot-$1.png"
}
click() {  # x y in window DIP (the prefix runs at 96 DPI)
    xdotool mousemove --window "$window" "$1" "$2" click 1
}
window=
for _ in $(seq 1 100); do
    window=$(xdotool search --onlyvisible --name "欧贝林视频格式转换器" 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    sleep 0.2
done
if [ -z "$window" ]; then
    echo "[run] the installer window did not appear" >&2
else
    sleep 1
    shot main
    click 33 345   # the agreement box
    click 470 345  # 自定义目录
    sleep 1
    shot custom
    click 260 298  # 立即安装 on the custom-directory page
    sleep 2        # the demo server spreads the package over 3 seconds
    shot installing
    sleep "${ORB_RUN_SECONDS:-8}"
    shot finish
    click 260 256  # 立即体验: starts the product and closes the installer
    for _ in $(seq 1 50); do
        kill -0 "$running" 2>/dev/null || break
        sleep 0.2
    done
    kill -0 "$running" 2>/dev/null || echo "[run] the installer started the product and closed itself"
fi
# Whatever is still open (the installer if a step went wrong, the demo product) is closed.
orb_wine taskkill /im OrbelinSetup.exe >/dev/null 2>&1 || true
orb_wine taskkill /im Orbelin.exe >/dev/null 2>&1 || true
set +e
wait "$running"
status=$?
echo "[run] installer exit code: $status"
orb_wineserver -k 2>/dev/null || true
exit $status
