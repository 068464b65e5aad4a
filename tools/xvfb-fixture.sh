#!/usr/bin/env bash
# ctest fixture: a private Xvfb screen for the tests that need an X display.
#   xvfb-fixture.sh start INFO   starts it in the background; INFO receives "DISPLAY PID"
#   xvfb-fixture.sh stop INFO    stops it
set -euo pipefail
info=$2
if [ "$1" = stop ]; then
    [ -f "$info" ] && read -r _ pid <"$info" && kill "$pid" 2>/dev/null
    rm -f "$info"
    exit 0
fi
mkdir -p "$(dirname "$info")"
rm -f "$info" "$info.number"
# Xvfb takes a free display itself and writes its number once it accepts clients. Detached from
# ctest's output pipe, which would otherwise stay open for the screen's lifetime.
setsid Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$info.number" </dev/null >/dev/null 2>&1 &
pid=$!
for _ in $(seq 1 100); do
    if [ -s "$info.number" ]; then
        echo ":$(tr -d '\n' <"$info.number") $pid" >"$info"
        echo "Xvfb: $(cat "$info")"
        exit 0
    fi
    sleep 0.1
done
echo "Xvfb did not start" >&2
kill "$pid" 2>/dev/null
exit 1
