# Sourced by tools/test.sh and tools/run.sh: prepares a 32-bit Wine prefix for the installer.
#
#   orb_prepare_prefix DIR   creates DIR as a win32 prefix (once) and maps the UI fonts
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
    local prefix=$1
    orb_wine_env
    export WINEPREFIX=$prefix
    if [ ! -f "$prefix/system.reg" ] || [ ! -f "$prefix/.orb-fonts" ]; then
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
        } >"$reg"
        DISPLAY= wine regedit /S "$reg" >/dev/null 2>&1
        rm -f "$reg"
        wineserver -w
        touch "$prefix/.orb-fonts"
    fi
}
