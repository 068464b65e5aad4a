# Sourced by tools/test.sh and tools/run.sh: prepares a 32-bit Wine prefix for the installer.
#
#   orb_prepare_prefix DIR [DRIVER]   creates DIR as a win32 prefix (once), maps the UI fonts and
#                                     selects the graphics driver: "null" (headless: windows exist
#                                     but nothing is shown; the tests) or "x11" (the default)
#   orb_isolate_prefix DIR            keeps a prefix's effects inside it (the tests): the user's
#                                     shell folders become plain folders instead of links to the
#                                     Unix home, and no Linux menu entries are made for shortcuts
#
# Wine has neither "微软雅黑" nor "宋体"; without a replacement GDI+ cannot create either family
# and no text is drawn at all, so both are mapped to WenQuanYi Micro Hei.

orb_wine_env() {
    export WINEARCH=win32
    export WINEDEBUG=${WINEDEBUG:--all}
    # No Mono or Gecko: the prefix must not try to fetch them.
    export WINEDLLOVERRIDES="mscoree=;mshtml="
}

orb_prepare_prefix() {
    local prefix=$1 driver=${2:-x11}
    orb_wine_env
    export WINEPREFIX=$prefix
    if [ ! -f "$prefix/system.reg" ] || [ "$(cat "$prefix/.orb-prepared" 2>/dev/null)" != "$driver" ]; then
        mkdir -p "$prefix"
        DISPLAY= wineboot --init >/dev/null 2>&1 || {
            echo "wineboot failed to create the prefix $prefix" >&2
            return 1
        }
        local reg
        reg=$(mktemp --suffix=.reg)
        # A version-5 .reg file is UTF-16 with a BOM, so the Chinese face names survive whatever
        # code page the prefix uses.
        {
            printf '\xff\xfe'
            printf 'Windows Registry Editor Version 5.00\r\n\r\n%s\r\n%s\r\n%s\r\n' \
                '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
                '"微软雅黑"="WenQuanYi Micro Hei"' '"宋体"="WenQuanYi Micro Hei"' | iconv -f UTF-8 -t UTF-16LE
            printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\r\n"Graphics"="%s"\r\n' "$driver" |
                iconv -f UTF-8 -t UTF-16LE
        } >"$reg"
        DISPLAY= wine regedit /S "$reg" >/dev/null 2>&1
        rm -f "$reg"
        wineserver -w
        echo "$driver" >"$prefix/.orb-prepared"
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
