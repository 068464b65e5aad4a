#!/usr/bin/env bash
# ctest fixture: stops the test server started by start.sh.
info=$1
[ -f "$info" ] || exit 0
read -r _ _ pid <"$info"
kill "$pid" 2>/dev/null || true
rm -f "$info"
exit 0
