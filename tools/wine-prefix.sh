#!/usr/bin/env bash
# Sourced by the scripts that run Windows programs: picks the build flavour this machine can run
# and prepares Wine prefixes for it.
#
# Flavours: "i686" is the shipped installer (PE32) and runs under 32-bit Wine in a win32 prefix;
# "x86_64" is the same code built for 64-bit Windows and runs under Debian's 64-bit loader
# (wine64, called directly) in a win64 prefix. Some machines cannot start 32-bit processes at all
# (the kernel has IA-32 emulation off: "Exec format error"); they run x86_64 only.
#
#   orb_probe_32bit                   0 when this machine can start 32-bit processes; otherwise 1,
#                                     with the reason in ORB_NO_32BIT_REASON. ORB_WIN64_ONLY=1
#                                     takes the 64-bit-only path on any machine.
#   orb_use_flavour i686|x86_64       selects the flavour for the functions below; sets
#                                     ORB_FLAVOUR and ORB_TEST_PRESET (the CMake preset and
#                                     build/ folder of the flavour's tests)
#   orb_choose_flavour                orb_use_flavour of the best flavour this machine runs: i686
#                                     where it can, x86_64 otherwise
#   orb_wine PROGRAM ARGS...          runs a Windows program in $WINEPREFIX
#   orb_wineserver ARGS...            the flavour's wineserver (-p, -k, -w)
#   orb_prepare_prefix DIR [DRIVER]   creates DIR as a prefix of the flavour (once), maps the UI
#                                     fonts and selects the graphics driver: "null" (headless:
#                                     windows exist but nothing is shown; the tests) or "x11"
#   orb_isolate_prefix DIR            keeps a prefix's effects inside it (the tests): the user's
#                                     shell folders become plain folders instead of links to the
#                                     Unix home, and no Linux menu entries are made for shortcuts
#   orb_map_test_drives DIR           gives the fault tests a small disk that fills up (an 8 MiB
#                                     tmpfs as drive S:) and a read-only disk (R:), and exports
#                                     ORB_TEST_SMALL_DRIVE and ORB_TEST_READONLY_DRIVE; mounting
#                                     needs root, and without it the variables stay unset and those
#                                     tests report themselves skipped
#   orb_unmap_test_drives DIR         unmounts them again
#   orb_create_test_prefix DIR        the tests' throwaway prefix, made afresh: headless, isolated,
#                                     with the fault tests' drives and one persistent wineserver
#   orb_remove_test_prefix DIR        stops its wineserver, unmounts its drives and deletes it
#
# Run as a program, it calls one of them for a flavour (the ctest fixtures of tests/CMakeLists.txt):
#   wine-prefix.sh i686|x86_64 FUNCTION ARGS...
#
# Wine has neither "微软雅黑" nor "宋体"; without a replacement GDI+ cannot create either family
# and no text is drawn at all, so both are mapped to WenQuanYi Micro Hei.

orb_wine_dir=/usr/lib/wine

orb_probe_32bit() {
    ORB_NO_32BIT_REASON=
    if [ "${ORB_WIN64_ONLY:-0}" = 1 ]; then
        ORB_NO_32BIT_REASON="ORB_WIN64_ONLY=1 is set"
        return 1
    fi
    local loader=$orb_wine_dir/wine out
    if [ ! -x "$loader" ]; then
        ORB_NO_32BIT_REASON="the 32-bit Wine loader $loader is not installed"
        return 1
    fi
    # The loader is an i386 program: if it cannot start, no 32-bit process can.
    if ! out=$("$loader" --version 2>&1); then
        ORB_NO_32BIT_REASON="this machine cannot start 32-bit processes ($loader: ${out##*: })"
        return 1
    fi
    return 0
}

orb_use_flavour() {
    case $1 in
        i686)
            ORB_FLAVOUR=i686
            ORB_TEST_PRESET=test
            export WINEARCH=win32
            orb_wine_loader=wine
            orb_wineserver_bin=wineserver
            unset WINELOADER WINESERVER
            ;;
        x86_64)
            ORB_FLAVOUR=x86_64
            ORB_TEST_PRESET=test64
            export WINEARCH=win64
            # The plain `wine` wrapper tries the 32-bit loader first, which fails where 32-bit
            # processes cannot start.
            orb_wine_loader=$orb_wine_dir/wine64
            orb_wineserver_bin=$orb_wine_dir/wineserver64
            export WINELOADER=$orb_wine_loader WINESERVER=$orb_wineserver_bin
            ;;
        *)
            echo "unknown build flavour '$1' (i686 or x86_64)" >&2
            return 1
            ;;
    esac
    export ORB_FLAVOUR
    export WINEDEBUG=${WINEDEBUG:--all}
    # No Mono or Gecko: the prefix must not try to fetch them.
    case ";${WINEDLLOVERRIDES:-};" in
        *";mscoree=;"*) ;;
        *) export WINEDLLOVERRIDES="mscoree=;mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}" ;;
    esac
}

orb_choose_flavour() {
    if orb_probe_32bit; then
        orb_use_flavour i686
    else
        orb_use_flavour x86_64
    fi
}

orb_wine() { "$orb_wine_loader" "$@"; }
orb_wineserver() { "$orb_wineserver_bin" "$@"; }

# orb_prefix_reg DRIVER: the settings every prefix gets, as a version-5 .reg file on stdout. It is
# UTF-16 with a BOM, so the Chinese face names survive whatever code page the prefix uses.
orb_prefix_reg() {
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n%s\r\n%s\r\n%s\r\n' \
            '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
            '"微软雅黑"="WenQuanYi Micro Hei"' '"宋体"="WenQuanYi Micro Hei"'
        printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\r\n"Graphics"="%s"\r\n' "$1"
        # Message boxes and other system dialogs draw in Tahoma, which has no Chinese; as on
        # Windows, a font link sends the missing characters to a Chinese font.
        local link
        link=$(printf 'wqy-microhei.ttc,WenQuanYi Micro Hei' | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 -v |
            tr -s ' \n' ',' | sed 's/^,//')
        printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\r\n'
        for face in 'Tahoma' 'MS Shell Dlg' 'MS Shell Dlg 2' 'Microsoft Sans Serif'; do
            printf '"%s"=hex(7):%s00,00,00,00\r\n' "$face" "$link"
        done
        # No crash debugger: a crashing program ends at once with a failing exit code. Wine's
        # default starts winedbg, whose crash dialog waits for a click that never comes, so a
        # crashing test would hang until its time-out. An empty command with "Auto" set makes the
        # start fail without asking. Both registry views, for either pointer size.
        local view
        for view in '' 'Wow6432Node\'; do
            printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\%sMicrosoft\\Windows NT\\CurrentVersion\\AeDebug]\r\n' "$view"
            printf '"Auto"="1"\r\n"Debugger"=""\r\n'
        done
    } | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; }
}

orb_prepare_prefix() {
    local prefix=$1 driver=${2:-x11}
    [ -n "${ORB_FLAVOUR:-}" ] || orb_choose_flavour
    export WINEPREFIX=$prefix
    local stamp="$ORB_FLAVOUR $driver fontlink"
    if [ ! -f "$prefix/system.reg" ] || [ "$(cat "$prefix/.orb-prepared" 2>/dev/null)" != "$stamp" ]; then
        mkdir -p "$prefix"
        DISPLAY= orb_wine wineboot --init >/dev/null 2>&1 || {
            echo "wineboot failed to create the $WINEARCH prefix $prefix" >&2
            return 1
        }
        local reg
        reg=$(mktemp --suffix=.reg)
        orb_prefix_reg "$driver" >"$reg"
        DISPLAY= orb_wine regedit /S "$reg" >/dev/null 2>&1
        rm -f "$reg"
        orb_wineserver -w
        echo "$stamp" >"$prefix/.orb-prepared"
    fi
}

# Wine links the user's Desktop, Documents and the like to the Unix home, so a shortcut a test
# saves on the "desktop" would land in $HOME, shared with every other run on the machine.
orb_isolate_prefix() {
    local prefix=$1 link
    for link in "$prefix"/drive_c/users/*/*; do
        if [ -L "$link" ]; then
            rm -f "$link"
            mkdir -p "$link"
        fi
    done
    export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"
}

orb_map_test_drives() {
    local prefix=$1
    unset ORB_TEST_SMALL_DRIVE ORB_TEST_READONLY_DRIVE
    mkdir -p "$prefix.small" "$prefix.readonly"
    if mount -t tmpfs -o size=8m,mode=0777 orb-small "$prefix.small" 2>/dev/null; then
        ln -sfn "$prefix.small" "$prefix/dosdevices/s:"
        export ORB_TEST_SMALL_DRIVE=S:
    fi
    if mount -t tmpfs -o ro,size=1m orb-readonly "$prefix.readonly" 2>/dev/null; then
        ln -sfn "$prefix.readonly" "$prefix/dosdevices/r:"
        export ORB_TEST_READONLY_DRIVE=R:
    fi
}

orb_unmap_test_drives() {
    local prefix=$1 dir
    for dir in "$prefix.small" "$prefix.readonly"; do
        if [ -d "$dir" ]; then
            umount "$dir" 2>/dev/null || true
            rmdir "$dir" 2>/dev/null || true
        fi
    done
}

orb_create_test_prefix() {
    local prefix=$1
    orb_remove_test_prefix "$prefix"
    echo "creating $WINEARCH Wine prefix $prefix"
    orb_prepare_prefix "$prefix" null
    orb_isolate_prefix "$prefix"
    orb_map_test_drives "$prefix"
    # One persistent wineserver serves every test process of the run; it must not hold ctest's pipe.
    orb_wineserver -p </dev/null >/dev/null 2>&1
}

orb_remove_test_prefix() {
    local prefix=$1
    if [ -d "$prefix" ]; then
        WINEPREFIX=$prefix orb_wineserver -k >/dev/null 2>&1 || true
    fi
    orb_unmap_test_drives "$prefix"
    rm -rf "$prefix"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    orb_use_flavour "$1"
    shift
    "$@"
fi
