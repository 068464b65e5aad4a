#!/usr/bin/env bash
# ctest's emulator for the cross-built tests: runs a Windows program in the prepared Wine prefix.
#
#   wine-run.sh FLAVOUR PROGRAM ARGS...   (FLAVOUR: i686 or x86_64, the build's processor)
#
# The program's output goes through a file: the first Wine process of a prefix starts Wine's own
# background services, which inherit its standard handles and would keep ctest's output pipe open
# (and the test "running") long after the program itself has ended.
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-run: WINEPREFIX is not set; run the tests with ctest, whose fixture prepares one" >&2
    exit 2
fi
source "$(dirname "${BASH_SOURCE[0]}")/wine-prefix.sh"
orb_use_flavour "$1" || exit 2
shift
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
# The fault tests' small and read-only drives, where the prefix's fixture could mount them.
[ -e "$WINEPREFIX/dosdevices/s:" ] && export ORB_TEST_SMALL_DRIVE=S:
[ -e "$WINEPREFIX/dosdevices/r:" ] && export ORB_TEST_READONLY_DRIVE=R:
log=$(mktemp /tmp/orb-wine-run.XXXXXX)
orb_wine "$@" >"$log" 2>&1 </dev/null
status=$?
# A test program prints before anything else runs; failing without a word, it never got started
# (seen once, in 10 ms, while the fresh prefix's services were still coming up). It is started
# once more; a program that really fails so fails again.
if [ $status -ne 0 ] && [ ! -s "$log" ]; then
    echo "wine-run: $(basename "$1") ended with $status and no output; starting it once more" >&2
    orb_wine "$@" >"$log" 2>&1 </dev/null
    status=$?
fi
cat "$log"
rm -f "$log"
exit $status
