#!/usr/bin/env bash
# Fails unless the executable imports only DLLs that every Windows system has.
set -euo pipefail
exe=$1
allowed='^(kernel32|user32|gdi32|gdiplus|advapi32|shell32|ole32|oleaut32|comdlg32|shlwapi|ws2_32|crypt32|wintrust|version|imm32|msvcrt|bcrypt|secur32|normaliz|wldap32|iphlpapi|uxtheme|dwmapi|opengl32|dxgi|comctl32|winmm|rpcrt4)\.dll$'
imports=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$imports" ] || { echo "no imports found in $exe" >&2; exit 1; }
echo "$exe imports:" $imports
bad=$(echo "$imports" | grep -v -E "$allowed" || true)
if [ -n "$bad" ]; then
    echo "not a system DLL: $bad" >&2
    exit 1
fi
