#!/usr/bin/env bash
# ctest fixture: stops the squid started by start.sh.
info=$1
[ -f "$info" ] || exit 0
read -r first _ _ pid <"$info"
if [ "$first" != none ] && [ -n "${pid:-}" ]; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
fi
rm -f "$info"
exit 0
