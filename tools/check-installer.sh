#!/usr/bin/env bash
# Static checks of the shipped installer: a 32-bit (PE32) Windows GUI program that imports only
# DLLs every Windows system has. Whichever test flavour runs, it is the i686 file that ships.
set -euo pipefail
exe=$1
objdump=x86_64-w64-mingw32-objdump  # reads both PE32 and PE32+, so a wrong build is named as such
headers=$($objdump -p "$exe") || { echo "$exe is not a PE file" >&2; exit 1; }
fail() { echo "$exe: $*" >&2; exit 1; }

format=$(echo "$headers" | sed -n 's/.*file format \(.*\)$/\1/p' | head -n1)
[ "$format" = pei-i386 ] || fail "not a 32-bit PE image (file format ${format:-unknown})"
grep -qE '^Magic\s+010b\s+\(PE32\)' <<<"$headers" || fail "optional header is not PE32"
grep -qE '^Subsystem\s+00000002\s+\(Windows GUI\)' <<<"$headers" || fail "not a Windows GUI program"
echo "$exe: PE32, Windows GUI"

allowed='^(kernel32|user32|gdi32|gdiplus|advapi32|shell32|ole32|oleaut32|comdlg32|shlwapi|ws2_32|crypt32|wintrust|version|imm32|oleacc|msvcrt|bcrypt|secur32|normaliz|wldap32|iphlpapi|uxtheme|dwmapi|opengl32|dxgi|comctl32|winmm|rpcrt4)\.dll$'
imports=$(echo "$headers" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$imports" ] || fail "no imports found"
echo "$exe imports:" $imports
bad=$(echo "$imports" | grep -v -E "$allowed" || true)
[ -z "$bad" ] || fail "not a system DLL: $bad"

# The DLLs of base/DeferredImportTable.cpp are bound on first use, so that loading them is not part
# of the start-up. A call to a function of theirs that the table lacks brings one back.
table=$(dirname "${BASH_SOURCE[0]}")/../base/DeferredImportTable.cpp
deferred=$(sed -n 's/^ORB_DEFER_IMPORT(L"\([^"]*\)".*/\1/p' "$table" | tr 'A-Z' 'a-z' | sort -u)
[ -n "$deferred" ] || fail "no deferred DLLs found in $table"
early=$(comm -12 <(echo "$imports") <(echo "$deferred"))
[ -z "$early" ] || fail "imports a DLL that is bound on first use: $early (add its functions to base/DeferredImportTable.cpp)"
