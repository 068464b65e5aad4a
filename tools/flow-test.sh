#!/usr/bin/env bash
# The installer driven the way a person drives it: the demo build, in a fresh Wine prefix on a
# private Xvfb screen, clicked and typed at with xdotool at its controls' own coordinates, against
# the local demo server on loopback (127.0.0.1:18080, the host the demo build pins).
#
#   tools/flow-test.sh FLAVOUR INSTALLER DEMO_PACKAGE_DIR OUT_DIR GL_TEST DISPLAY_INFO
#
# ctest runs it in the demo build (test presets flow and flow64, tests/flow/CMakeLists.txt), which
# makes the installer and its demo package; the fixture there owns the Xvfb screen (DISPLAY_INFO).
# The demo server belongs to the scenarios: each starts it with its own package, pace and cuts.
#
# Scenarios, in this order (each starts the installer afresh in the same prefix):
#   consent  - "立即安装" without the agreement: the consent message, and nothing written;
#   failure  - the package is missing (404): "安装失败", then the main page again, agreement checked;
#   close    - closing the window during the download: exit code 0 and no message box;
#   custom   - a path typed on the custom-directory page and discarded with "返回", then a
#              successful installation into the default folder, the finish page, and "立即体验"
#              starting the product and ending the installer with 0;
#   keyboard - a whole installation without a single click: Tab and Space tick the agreement (the
#              focus ring shows), Enter opens the custom-directory page, Escape leaves it and
#              Enter opens it again, Shift+Tab reaches the path field, a folder is typed, Tab and
#              Enter install into it, and Enter on the finish page starts the product;
#   takeback - on the main page a press on the agreement words dragged off before the release
#              changes nothing, unticked or ticked; a folder name Windows cannot create, refused
#              on the custom-directory page and left with "返回", does not stay: "立即安装" on
#              the main page installs into the default folder (files and uninstall entry);
#   keyclose - Shift+Tab and Enter start an installation, and Alt+F4 during the download ends
#              the installer with 0 and no message box, as a system close does;
#   drop     - the server cuts the package twice (a quarter of it each time) and the installation
#              still completes: screenshots during the download show the status line under the bar,
#              the bar never goes back, and the finish page appears;
#   planting - DLLs named like the system DLLs the installer and the system load by name, planted
#              beside a copy of the installer and preferred by Wine as Windows would: a whole
#              installation, and none of them loaded;
#   presenter - the OpenGL presenter's tests of the test build, which need this display.
# A screenshot of every page and message is kept in OUT_DIR. Ends with one line and a
# non-zero status when a check failed.
set -uo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
flavour=$1 installer=$2 demo=$3 out=$4 gl_test=$5
source "$repo/tools/wine-prefix.sh"
orb_use_flavour "$flavour" || exit 1
triplet=$flavour-w64-mingw32

title="欧贝林视频格式转换器"
rm -rf "$out"
mkdir -p "$out"
failures=0
fail() {
    echo "[flow] FAILED: $*"
    failures=$((failures + 1))
}

server=
prefix=$(mktemp -d /tmp/orb-flow.XXXXXX)
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null
    WINEPREFIX=$prefix orb_wineserver -k >/dev/null 2>&1
    rm -rf "$prefix"
}
trap cleanup EXIT

if (exec 3<>/dev/tcp/127.0.0.1/18080) 2>/dev/null; then
    echo "[flow] 127.0.0.1:18080 is taken (is tools/run.sh running?); the demo build talks to that port"
    exit 1
fi
read -r DISPLAY _ <"$6" || { echo "[flow] no X display in $6 (its ctest fixture starts one)"; exit 1; }
export DISPLAY
orb_prepare_prefix "$prefix" x11 >/dev/null
orb_isolate_prefix "$prefix"
export WINEPREFIX=$prefix
users=$prefix/drive_c/users

serve() {  # PACKAGE SECONDS [DROP_AFTER]
    [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    python3 "$repo/tools/demo_server.py" --port 18080 --package "$1" --seconds "$2" --drop-after "${3:-0}" \
        2>>"$out/server.log" &
    server=$!
    for _ in $(seq 1 50); do
        (exec 3<>/dev/tcp/127.0.0.1/18080) 2>/dev/null && return 0
        sleep 0.1
    done
    fail "the demo server did not start"
}

# Visible windows whose title is exactly NAME, one id a line.
windows_named() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null
}
wait_for() {  # COMMAND... : until it succeeds, at most 20 s
    for _ in $(seq 1 100); do
        "$@" && return 0
        sleep 0.2
    done
    return 1
}
start_installer() {
    # A window still showing from the scenario before would be taken for this installer's.
    wait_for eval '[ -z "$(windows_named "$title")" ]' || fail "$1: an earlier installer window is still shown"
    orb_wine "$installer" >>"$out/installer.log" 2>&1 &
    running=$!
    window=
    # The id comes from the search that saw the window: a second search may fall just when the
    # window is briefly unmapped, as its frame and icons are applied after its first frame.
    wait_for eval 'window=$(windows_named "$title" | head -n1); [ -n "$window" ]' ||
        { fail "$1: the installer window did not appear"; return 1; }
    sleep 0.5
}
click() {  # X Y in the window's DIP (the prefix runs at 96 DPI)
    xdotool mousemove --window "$window" "$1" "$2" click 1
    sleep 0.3
}
shot() {  # NAME [WINDOW]
    local target=${2:-$window}
    # Without a window id, import waits for a click that never comes.
    [ -n "$target" ] || { fail "no window for screenshot $1"; return 1; }
    timeout 30 import -window "$target" "$out/$1.png" 2>/dev/null || fail "no screenshot $1"
}
pixel() {  # NAME X Y: the screenshot's pixel as RRGGBB
    convert "$out/$1.png" -format '%[hex:p{'"$2,$3"'}]' info: 2>/dev/null | cut -c1-6
}
# The filled part of the progress bar in screenshot NAME, in pixels: the coral ones of its middle row.
bar_fill() {  # NAME
    convert "$out/$1.png" -crop 472x1+24+330 +repage -fx '(r > 0.85 && g < 0.75) ? 1 : 0' \
        -format '%[fx:round(mean * w)]' info: 2>/dev/null
}
# Whether the status line under the bar (y 342..360) has text drawn in screenshot NAME.
status_shown() {  # NAME
    [ "$(convert "$out/$1.png" -crop 472x18+24+342 +repage -colorspace gray -format '%[fx:minima < 0.8]' info: \
        2>/dev/null)" = 1 ]
}
expect_pixel() {  # NAME X Y RRGGBB WHAT
    local got
    got=$(pixel "$1" "$2" "$3")
    [ "$got" = "$4" ] || fail "$5 (pixel $2,$3 of $1.png is $got, not $4)"
}
# Takes screenshot NAME until its pixel at X Y is RRGGBB (a repaint may lag behind the click).
expect_shot() {  # NAME X Y RRGGBB WHAT
    for _ in $(seq 1 40); do
        shot "$1"
        [ "$(pixel "$1" "$2" "$3")" = "$4" ] && return 0
        sleep 0.5
    done
    fail "$5 (pixel $2,$3 of $1.png is $(pixel "$1" "$2" "$3"), not $4)"
}
expect_exit() {  # SCENARIO: the installer ends with 0 within 20 s
    local waited=0
    while kill -0 "$running" 2>/dev/null && [ $waited -lt 100 ]; do
        sleep 0.2
        waited=$((waited + 1))
    done
    if kill -0 "$running" 2>/dev/null; then
        fail "$1: the installer is still running"
        orb_wine taskkill /f /im OrbelinSetup.exe >/dev/null 2>&1
        wait "$running" 2>/dev/null
        return
    fi
    wait "$running"
    local status=$?
    [ $status -eq 0 ] || fail "$1: exit code $status"
}
keys() {  # KEY...: pressed one after another on the installer window
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key --clearmodifiers --delay 200 "$@"
    sleep 0.4
}
close_window() {  # as the system does: WM_CLOSE to the installer's windows
    orb_wine taskkill /im OrbelinSetup.exe >/dev/null 2>&1
}
dismiss() {  # WINDOW: Enter on the message box's default button
    xdotool windowfocus --sync "$1" 2>/dev/null
    xdotool key --clearmodifiers Return
    wait_for eval '! xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1"' ||
        fail "the message box did not close"
}

# ---------------------------------------------------------------------------------------------
echo "[flow] consent"
serve "$demo/packages/good.zip" 0
start_installer consent && {
    shot main
    click 260 298  # 立即安装, agreement unchecked
    if wait_for eval 'message=$(windows_named "$title" | grep -vx "$window" | head -n1); [ -n "$message" ]'; then
        shot consent-message "$message"
        dismiss "$message"
    else
        fail "consent: no message box"
    fi
    [ -z "$(find "$users" -name settings.ini 2>/dev/null)" ] || fail "consent: settings.ini was written"
    close_window
    expect_exit consent
}

echo "[flow] failure"
serve "$out/no-such-package.zip" 0
start_installer failure && {
    click 33 345   # the agreement box
    click 260 298  # 立即安装
    if wait_for eval 'message=$(windows_named 安装失败 | head -n1); [ -n "$message" ]'; then
        shot failure-message "$message"
        dismiss "$message"
        expect_shot failure-main 26 345 FF7467 "failure: the agreement is no longer checked"
        expect_pixel failure-main 200 298 FF7467 "failure: the install button is not back"
    else
        fail "failure: no 安装失败 message"
    fi
    [ -n "$(find "$users" -name settings.ini 2>/dev/null)" ] || fail "failure: no consent was recorded"
    close_window
    expect_exit failure
}

echo "[flow] close"
serve "$demo/packages/good.zip" 30
start_installer close && {
    click 33 345
    click 260 298
    expect_shot installing 30 330 FF7467 "close: the progress bar does not show progress"
    close_window
    expect_exit close
    [ -z "$(windows_named 安装失败)" ] || fail "close: a message box appeared"
}

echo "[flow] custom"
serve "$demo/packages/good.zip" 1
start_installer custom && {
    click 33 345
    click 470 345  # 自定义目录
    click 200 138  # the path field
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 20 'C:\typed-here'
    sleep 0.5
    shot custom
    click 40 70    # 返回: the typed path is dropped
    click 260 298  # 立即安装 on the main page
    product=$users/$(id -un)/AppData/Local/Programs/Orbelin/1.0.0.49/Orbelin.exe
    if wait_for eval '[ -f "$product" ]'; then
        expect_shot finish 260 120 FF7467 "custom: no finish page badge"
        click 260 256  # 立即体验
        expect_exit custom
        wait_for eval '[ -f "$product.ran" ]' || fail "custom: the product was not started"
    else
        fail "custom: nothing was installed in the default folder"
        close_window
        expect_exit custom
    fi
    [ ! -e "$prefix/drive_c/typed-here" ] || fail "custom: the discarded path was used"
}

echo "[flow] keyboard"
serve "$demo/packages/good.zip" 1
start_installer keyboard && {
    # The focus starts on "立即安装"; Tab reaches the agreement box, Space ticks it.
    keys Tab space
    shot keyboard-ring
    expect_pixel keyboard-ring 26 345 FF7467 "keyboard: Space did not tick the agreement"
    expect_pixel keyboard-ring 21 345 333333 "keyboard: no focus ring left of the agreement box"
    keys Tab Tab Tab Return  # 自定义目录
    expect_shot keyboard-custom-open 60 138 FFFFFF "keyboard: Enter did not open the custom-directory page"
    keys Escape
    expect_shot keyboard-escape 26 345 FF7467 "keyboard: Escape did not go back to the main page"
    keys Tab Tab Tab Tab Return  # from "立即安装" again to 自定义目录
    keys shift+Tab shift+Tab ctrl+a
    xdotool type --delay 20 'C:\keyboard-here'
    sleep 0.5
    shot keyboard-custom
    keys Tab Tab Return  # browse, then 立即安装
    product=$prefix/drive_c/keyboard-here/1.0.0.49/Orbelin.exe
    if wait_for eval '[ -f "$product" ]'; then
        expect_shot keyboard-finish 260 120 FF7467 "keyboard: no finish page badge"
        keys Return  # 立即体验 holds the focus
        expect_exit keyboard
        wait_for eval '[ -f "$product.ran" ]' || fail "keyboard: the product was not started"
    else
        fail "keyboard: nothing was installed in the typed folder"
        close_window
        expect_exit keyboard
    fi
}

echo "[flow] takeback"
serve "$demo/packages/good.zip" 1
default_root=$users/$(id -un)/AppData/Local/Programs/Orbelin
rm -rf "$default_root"  # installed by "custom"; this scenario must put it there again
drag_off_words() {  # press on "我已阅读并同意", leave it, release over empty page
    xdotool mousemove --window "$window" 80 345 mousedown 1
    sleep 0.2
    xdotool mousemove --window "$window" 120 300
    sleep 0.2
    xdotool mouseup 1
    sleep 0.4
}
start_installer takeback && {
    drag_off_words
    shot takeback-unticked
    [ "$(pixel takeback-unticked 26 345)" != FF7467 ] || fail "takeback: a press dragged off the words ticked the box"
    click 80 345  # a real click on the words ticks it
    expect_shot takeback-ticked 26 345 FF7467 "takeback: a click on the words did not tick the box"
    drag_off_words
    shot takeback-still-ticked
    expect_pixel takeback-still-ticked 26 345 FF7467 "takeback: a press dragged off the words cleared the box"
    click 470 345  # 自定义目录
    click 200 138
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 20 'C:\flow|bad'
    sleep 0.5
    click 260 298  # 立即安装 on the custom-directory page: refused
    if wait_for eval 'message=$(windows_named "$title" | grep -vx "$window" | head -n1); [ -n "$message" ]'; then
        shot takeback-refused "$message"
        dismiss "$message"
    else
        fail "takeback: the bad folder was not refused"
    fi
    click 40 70    # 返回
    click 260 298  # 立即安装 on the main page
    product=$default_root/1.0.0.49/Orbelin.exe
    if wait_for eval '[ -f "$product" ]'; then
        expect_shot takeback-finish 260 120 FF7467 "takeback: no finish page badge"
        location=$(orb_wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orbelin' \
            /v InstallLocation 2>/dev/null | tr -d '\r' | grep InstallLocation)
        [[ "$location" == *'\AppData\Local\Programs\Orbelin' ]] ||
            fail "takeback: the uninstall entry names '$location', not the default folder"
    else
        shot takeback-main
        fail "takeback: nothing was installed in the default folder (see takeback-main.png)"
    fi
    close_window
    expect_exit takeback
}

echo "[flow] keyclose"
serve "$demo/packages/good.zip" 30
start_installer keyclose && {
    keys Tab space shift+Tab Return
    expect_shot keyclose-installing 30 330 FF7467 "keyclose: the installation did not start"
    keys alt+F4
    expect_exit keyclose
    [ -z "$(windows_named 安装失败)" ] || fail "keyclose: a message box appeared"
}

echo "[flow] drop"
package_size=$(stat -c %s "$demo/packages/good.zip")
gets_before=$(grep -c '"GET /Orbelin.zip' "$out/server.log")
serve "$demo/packages/good.zip" 4 $((package_size / 4))
start_installer drop && {
    click 33 345
    click 260 298
    # Screenshots as fast as they come until the finish page: each one's bar is at least as full as
    # the one before.
    previous=0 during=0 finished=0
    for n in $(seq -w 1 60); do
        shot drop-$n
        if [ "$(pixel drop-$n 260 120)" = FF7467 ]; then
            finished=1
            break
        fi
        if message=$(windows_named 安装失败 | head -n1) && [ -n "$message" ]; then
            shot drop-failure-message "$message"
            fail "drop: the installation failed when the connection dropped (see drop-failure-message.png)"
            dismiss "$message"
            finished=failed
            break
        fi
        fill=$(bar_fill drop-$n)
        [ "${fill:-0}" -ge "$previous" ] || fail "drop: the bar went back from $previous to $fill px (drop-$n.png)"
        previous=${fill:-0}
        if [ "$previous" -gt 0 ] && [ "$previous" -lt 472 ]; then
            during=$((during + 1))
            status_shown drop-$n || fail "drop: no status line under the bar in drop-$n.png"
        fi
    done
    if [ $finished != failed ]; then
        [ $during -ge 2 ] || fail "drop: only $during screenshot(s) caught the bar during the download"
        [ $finished = 1 ] || fail "drop: no finish page"
        gets=$(($(grep -c '"GET /Orbelin.zip' "$out/server.log") - gets_before))
        [ $gets -ge 3 ] || fail "drop: the package was asked for $gets time(s), not after each of the two cuts"
    fi
    close_window
    expect_exit drop
}

# ---------------------------------------------------------------------------------------------
echo "[flow] planting"
# A copy of the installer in a downloads folder beside DLLs named like every DLL the installer and
# the system DLLs it uses load by name, except Windows' KnownDLLs (which Windows always maps from
# the system folder) and Wine's own modules. The names are those a whole installation loads under
# Wine (WINEDEBUG=+pid,+loaddll), and the few more Windows loads on the same paths (proxy settings,
# accessibility, revocation, themes, SSPI). The native-first override makes Wine search for them as
# Windows does for a DLL that is not a KnownDLL: the program's folder first.
planted_names="bcrypt comctl32 crypt32 cryptbase cryptnet dbghelp dnsapi dwmapi dxgi iphlpapi kerberos mswsock
    msv1_0 netapi32 oleacc opengl32 rsaenh rstrtmgr secur32 sspicli userenv uxtheme version winhttp wintrust"
# Windows maps a KnownDLL's own imports from the system folder too; Wine searches them like any
# other DLL, the program's folder first, while it starts the process or binds a delayed import of
# its own (Wine's user32 imports version.dll, its imagehlp dbghelp.dll). Those names are left out:
# no program could keep Wine from taking them, and Windows never looks for them there.
known_dlls="advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32 msctf msvcrt
    normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore shell32 shlwapi user32 wldap32 ws2_32"
wine_arch=${triplet%%-*}
[ "$wine_arch" = i686 ] && wine_arch=i386
wine_builtins=$(dirname "$(ls /usr/lib/wine/$wine_arch-windows/user32.dll /usr/lib/*-linux-gnu/wine/$wine_arch-windows/user32.dll \
    2>/dev/null | head -n1)")
wine_known_imports=$(for name in $known_dlls; do
    [ -f "$wine_builtins/$name.dll" ] && $triplet-objdump -p "$wine_builtins/$name.dll" | sed -n 's/^\s*DLL Name: //p'
done | tr 'A-Z' 'a-z' | sed 's/\.dll$//' | sort -u)
[ -n "$wine_known_imports" ] || fail "planting: no imports read from Wine's DLLs in $wine_builtins"
planted_names=$(echo $planted_names | tr ' ' '\n' | grep -vxF "$wine_known_imports" | tr '\n' ' ')
echo "[flow] planting: $planted_names"
downloads=$prefix/drive_c/users/Public/Downloads
markers=$out/planted-markers
mkdir -p "$downloads" "$markers"
if $triplet-gcc-posix -shared -municode -o "$out/planted.dll" "$repo/tools/testpkg/planted.c"; then
    for name in $planted_names; do cp "$out/planted.dll" "$downloads/$name.dll"; done
    cp "$installer" "$downloads/"
    serve "$demo/packages/good.zip" 1
    rm -rf "$users/$(id -un)/AppData/Local/Programs/Orbelin"
    shipped_installer=$installer
    installer=$downloads/OrbelinSetup.exe
    export WINEDLLOVERRIDES="$(echo $planted_names | tr ' ' ,)=n,b"
    export ORB_PLANT_MARKERS="Z:$markers"
    export WINEDEBUG=+pid,+loaddll
    start_installer planting && {
        click 33 345
        click 260 298
        product=$users/$(id -un)/AppData/Local/Programs/Orbelin/1.0.0.49/Orbelin.exe
        if wait_for eval '[ -f "$product" ]'; then
            expect_shot planting-finish 260 120 FF7467 "planting: no finish page badge"
        else
            fail "planting: the installation did not complete"
        fi
        close_window
        expect_exit planting
    }
    unset WINEDLLOVERRIDES ORB_PLANT_MARKERS WINEDEBUG
    installer=$shipped_installer
    planted=$(ls "$markers")
    [ -z "$planted" ] || fail "planting: planted DLLs ran in the installer: $planted"
    loaded=$(grep -ioE 'Loaded L"C:\\\\users\\\\Public\\\\Downloads\\\\[^"]*\.dll"' "$out/installer.log")
    [ -z "$loaded" ] || fail "planting: loaded from the downloads folder: $loaded"
    # The names did matter: the installer loaded them, from the system folder.
    for name in dwmapi dxgi opengl32 wintrust crypt32; do
        grep -qi "system32\\\\\\\\$name.dll\" at .*builtin" "$out/installer.log" ||
            fail "planting: $name.dll was not loaded from the system folder at all (see ${out#$repo/}/installer.log)"
    done
else
    fail "planting: the planted DLL did not build"
fi

# The OpenGL presenter's frame checks need this X display; the headless suites skip them.
echo "[flow] presenter"
if [ -f "$gl_test" ]; then
    ORB_TEST_DISPLAY=1 timeout 300 "$orb_wine_loader" "$gl_test" --gtest_color=no >"$out/presenter.log" 2>&1 ||
        fail "presenter: see ${out#$repo/}/presenter.log"
    grep -q "SKIPPED" "$out/presenter.log" && fail "presenter: tests were skipped under the display"
else
    fail "presenter: $gl_test is not built (tools/test.sh builds it)"
fi

if [ $failures -eq 0 ]; then
    echo "[flow] passed; screenshots in ${out#$repo/}"
else
    echo "[flow] $failures check(s) FAILED; screenshots in ${out#$repo/}"
    exit 1
fi
