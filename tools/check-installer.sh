#!/usr/bin/env bash
# Static checks of the shipped installer: a 32-bit (PE32) Windows GUI program that imports only
# KnownDLLs and carries its manifest. Whichever test flavour runs, it is the i686 file that ships.
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

# Only KnownDLLs may be imported: Windows maps those from the system folder whatever lies beside
# the program, while any other DLL is looked for in the program's own folder (Downloads, say) first.
# The list is the KnownDLLs key of Windows 10 (HKLM\SYSTEM\CurrentControlSet\Control\Session
# Manager\KnownDLLs, 22H2, without its WOW64 and emulator entries), as public DLL-planting scanners
# list it too. Everything else comes from the system folder at run time (base/SystemLibrary.h,
# app/DeferredImportTable.cpp).
known='^(advapi32|clbcatq|combase|comdlg32|coml2|difxapi|gdi32|gdiplus|imagehlp|imm32|kernel32|msctf|msvcrt|normaliz|nsi|ole32|oleaut32|psapi|rpcrt4|sechost|setupapi|shcore|shell32|shlwapi|user32|wldap32|ws2_32)\.dll$'
imports=$(echo "$headers" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$imports" ] || fail "no imports found"
echo "$exe imports:" $imports
bad=$(echo "$imports" | grep -v -E "$known" || true)
[ -z "$bad" ] || fail "imports a DLL that is not a KnownDLL, so it would be looked for beside the installer: $bad"

# The DLLs of app/DeferredImportTable.cpp are bound on first use, so that loading them is not part
# of the start-up. A call to a function of theirs that the table lacks brings one back.
table=$(dirname "${BASH_SOURCE[0]}")/../app/DeferredImportTable.cpp
deferred=$(sed -n 's/^ORB_DEFER_IMPORT(L"\([^"]*\)".*/\1/p' "$table" | tr 'A-Z' 'a-z' | sort -u)
[ -n "$deferred" ] || fail "no deferred DLLs found in $table"
early=$(comm -12 <(echo "$imports") <(echo "$deferred"))
[ -z "$early" ] || fail "imports a DLL that is bound on first use: $early (add its functions to app/DeferredImportTable.cpp)"

# The manifest (RT_MANIFEST 1): run as the invoking user, never elevated because of the file name.
manifest=$(python3 - "$exe" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
sections, optSize = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
opt = pe + 24
dirs = opt + (96 if struct.unpack_from("<H", data, opt)[0] == 0x10B else 112)
rsrcRva = struct.unpack_from("<I", data, dirs + 2 * 8)[0]
table = [struct.unpack_from("<IIII", data, opt + optSize + 40 * i + 8) for i in range(sections)]
def offset(rva):
    for size, va, rawSize, raw in table:
        if va <= rva < va + max(size, rawSize):
            return raw + rva - va
    sys.exit("resource outside every section")
base = offset(rsrcRva) if rsrcRva else sys.exit("no resources")
def entry(directory, wanted):
    named, ids = struct.unpack_from("<HH", data, base + directory + 12)
    for i in range(named + ids):
        name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
        if wanted is None or name == wanted:
            return target & 0x7FFFFFFF
    sys.exit("no manifest resource 1")
leaf = entry(entry(entry(0, 24), 1), None)
rva, size = struct.unpack_from("<II", data, base + leaf)
sys.stdout.write(data[offset(rva):offset(rva) + size].decode("utf-8"))
PY
) || fail "no manifest"
grep -qE '<requestedExecutionLevel[^>]*level="asInvoker"[^>]*uiAccess="false"' <<<"$manifest" ||
    fail "the manifest does not request asInvoker"
grep -q 'name="Microsoft.Windows.Common-Controls"' <<<"$manifest" || fail "the manifest names no common controls"
grep -q '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' <<<"$manifest" || fail "the manifest names no supported OS"
echo "$exe: manifest asInvoker"
