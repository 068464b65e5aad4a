#!/bin/sh
# ctest's emulator for the cross-built tests: runs a Windows program in the prepared Wine prefix.
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-run: WINEPREFIX is not set; run the tests with tools/test.sh, which prepares one" >&2
    exit 2
fi
exec wine "$@"
