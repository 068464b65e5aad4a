#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian bookworm machine and prepares the
# third-party sources (libcurl, miniz, nanosvg) from Debian's archive in an ignored cache folder.
# Idempotent: a second run only checks and prints the versions in use.
#
#   tools/setup.sh            # as root
#   ORB_CACHE=/some/dir tools/setup.sh
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache=${ORB_CACHE:-$repo/.cache}

say() { printf '[setup] %s\n' "$*" >&2; }
die() { printf '[setup] error: %s\n' "$*" >&2; exit 1; }

packages=(
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools cmake ninja-build
    wine wine64 wine32:i386 xvfb xdotool imagemagick librsvg2-bin fonts-wqy-microhei
    osslsigncode openssl python3 googletest dpkg-dev xz-utils unzip
    # the proxy tests' private HTTP proxy (tools/testproxy); never run as a system service here
    squid
    # clang with libFuzzer and its sanitizer runtimes, for the fuzz preset (tests/fuzz, bench/fuzz)
    clang libclang-rt-14-dev
    # Mesa's software OpenGL, through which Wine's x11 driver gives the presenter a WGL context
    # under Xvfb: amd64 for the 64-bit flavour, i386 for the 32-bit one (whose libGL.so.1, the
    # GL vendor library's loader, nothing else pulls in).
    libgl1-mesa-dri libglx-mesa0 libgl1 libgl1-mesa-dri:i386 libglx-mesa0:i386 libgl1:i386
)

# ---------------------------------------------------------------------------------------------
# Debian packages
# ---------------------------------------------------------------------------------------------
missing_packages() {
    local p
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}

have_deb_src() {
    grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null
}

apt_updated=0
# One index that a mirror is still syncing (seen: bookworm-security's i386 list with the wrong
# size) makes apt-get update fail while everything this project needs is listed. So it is tried a
# few times, then only warned about: the install or source fetch that follows fails with its own
# log if what it needs is really missing.
apt_update() {
    [ "$apt_updated" = 1 ] && return 0
    local attempt
    for attempt in 1 2 3; do
        say "apt-get update"
        if apt-get update -qq >/dev/null 2>"$cache/apt-update.err" &&
            ! grep -qE '^(W|E): Failed to fetch' "$cache/apt-update.err"; then
            apt_updated=1
            return 0
        fi
        [ "$attempt" = 3 ] || sleep $((attempt * 10))
    done
    say "warning: apt-get update did not fetch every index; going on with the lists it has:" \
        "$(grep -m1 -E '^(W|E): ' "$cache/apt-update.err" || echo "see $cache/apt-update.err")"
    apt_updated=1
}

install_packages() {
    command -v dpkg >/dev/null || die "this script needs a Debian machine (dpkg not found)"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        [ "$(id -u)" = 0 ] || die "run as root: the i386 architecture must be added for wine32"
        say "adding the i386 architecture (wine32)"
        dpkg --add-architecture i386
        apt_updated=0
    fi
    if ! have_deb_src; then
        [ "$(id -u)" = 0 ] || die "run as root: deb-src entries must be added"
        say "enabling deb-src entries for bookworm"
        cat >/etc/apt/sources.list.d/orbelin-deb-src.sources <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
        apt_update
    fi
    local missing
    missing=$(missing_packages)
    if [ -n "$missing" ]; then
        [ "$(id -u)" = 0 ] || die "run as root to install: $missing"
        apt_update
        say "installing: $(echo $missing)"
        deny_service_starts
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing \
            >"$cache/apt-install.log" 2>&1 || die "apt-get install failed; see $cache/apt-install.log"
        allow_service_starts
        keep_squid_service_off
    fi
}

# squid's postinst starts a system-wide squid on port 3128 (invoke-rc.d, or deb-systemd-invoke under
# systemd) and enables it at boot; the tests only run private instances of their own. Service starts
# are denied while packages install, through the policy layer both of those honour, unless the
# machine already has a policy (container images usually deny everything already).
policy_rc=/usr/sbin/policy-rc.d
own_policy_rc=0
deny_service_starts() {
    [ -e "$policy_rc" ] && return 0
    printf '#!/bin/sh\n# tools/setup.sh: no service starts while packages install\nexit 101\n' >"$policy_rc"
    chmod 755 "$policy_rc"
    own_policy_rc=1
    trap allow_service_starts EXIT
}
allow_service_starts() {
    [ "$own_policy_rc" = 1 ] && rm -f "$policy_rc"
    own_policy_rc=0
}
keep_squid_service_off() {
    if [ -d /run/systemd/system ]; then
        systemctl disable --now squid.service >/dev/null 2>&1 || true
    else
        # Not booted with systemd (a container): leave neither init system a boot-time start.
        command -v deb-systemd-helper >/dev/null && deb-systemd-helper disable squid.service >/dev/null 2>&1
        [ -x /etc/init.d/squid ] && update-rc.d squid disable >/dev/null 2>&1
    fi
    return 0
}

# ---------------------------------------------------------------------------------------------
# Source packages
# ---------------------------------------------------------------------------------------------

# fetch_source PACKAGE: unpacks Debian's source package (patches applied) into $cache/src/PACKAGE
# and echoes the directory. Downloads are kept, so a second run does not fetch again.
fetch_source() {
    local pkg=$1 dl=$cache/dl/$1 dest=$cache/src/$1
    if [ ! -f "$dest/.unpacked" ]; then
        mkdir -p "$dl"
        if ! ls "$dl"/*.dsc >/dev/null 2>&1; then
            say "fetching source package $pkg (bookworm)"
            # The lists already on the machine usually name it; they are refreshed only if not.
            if ! (cd "$dl" && apt-get source -qq --download-only "$pkg/bookworm") >"$dl/fetch.log" 2>&1; then
                apt_update
                (cd "$dl" && apt-get source -qq --download-only "$pkg/bookworm") >"$dl/fetch.log" 2>&1 ||
                    die "cannot fetch the source package $pkg from Debian's archive; see $dl/fetch.log"
            fi
        fi
        rm -rf "$dest"; mkdir -p "$cache/src"
        say "unpacking $pkg with dpkg-source"
        dpkg-source --no-check -x "$(ls "$dl"/*.dsc | head -n1)" "$dest" >"$dl/unpack.log" 2>&1 ||
            die "dpkg-source could not unpack $pkg; see $dl/unpack.log"
        touch "$dest/.unpacked"
    fi
    echo "$dest"
}

dsc_version() { sed -n 's/^Version: //p' "$(ls "$cache/dl/$1"/*.dsc | head -n1)"; }

# build_curl PROCESSOR: libcurl (static, Schannel) and curl.exe for i686 (the installer) or x86_64
# (the 64-bit test flavour), each in its own folder $cache/curl-PROCESSOR. Only HTTP and HTTPS, and
# none of the engines the installer never turns on (cookies, HSTS and Alt-Svc caches, DoH, .netrc,
# MIME forms, option introspection), built for size: it is most of the installer's code. The
# authentication engines stay in: an office proxy asks for the logged-on user's Windows credentials
# (Negotiate or NTLM through SSPI), and libcurl 7.88 has no switch that keeps those without digest.
# Built without unwind tables: the installer's callbacks let no exception out.
# Reproducible like the installer: the source and build folders are named by fixed stand-ins (some
# of libcurl's messages carry __FILE__), the archive has no member times, and any clock reads the
# Debian changelog's date.
build_curl() {
    local arch=$1 src prefix=$cache/curl-$1 work=$cache/build-curl-$1 flags
    [ -f "$prefix/.built-small-sspi-repro" ] && return 0
    src=$(fetch_source curl)
    say "building libcurl (static, Schannel) for $arch-w64-mingw32"
    rm -rf "$work" "$prefix"
    flags="-Os -DNDEBUG -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables"
    flags="$flags -ffile-prefix-map=$src=curl-$(dsc_version curl) -ffile-prefix-map=$work=build"
    SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$src/debian/changelog" -S Timestamp) \
    cmake -S "$src" -B "$work" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchain-mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_FLAGS_RELEASE="$flags" \
        "-DCMAKE_C_ARCHIVE_CREATE=<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>" \
        "-DCMAKE_C_ARCHIVE_APPEND=<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>" \
        "-DCMAKE_C_ARCHIVE_FINISH=<CMAKE_RANLIB> -D <TARGET>" \
        -DCMAKE_EXE_LINKER_FLAGS="-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp" \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=ON -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF \
        -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF \
        -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DUSE_NGTCP2=OFF -DUSE_QUICHE=OFF -DUSE_LIBIDN2=OFF \
        -DUSE_WIN32_IDN=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF -DCURL_USE_GSSAPI=OFF \
        -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON -DENABLE_UNIX_SOCKETS=OFF \
        -DHTTP_ONLY=ON -DCURL_DISABLE_ALTSVC=ON -DCURL_DISABLE_COOKIES=ON -DCURL_DISABLE_DOH=ON \
        -DCURL_DISABLE_HSTS=ON -DCURL_DISABLE_NETRC=ON -DCURL_DISABLE_MIME=ON -DCURL_DISABLE_GETOPTIONS=ON \
        -DCURL_DISABLE_LIBCURL_OPTION=ON -DCURL_WINDOWS_SSPI=ON \
        -DCURL_USE_LIBPSL=OFF -DCURL_LTO=OFF >"$cache/curl-$arch-configure.log" 2>&1 ||
        die "configuring libcurl for $arch failed; see $cache/curl-$arch-configure.log"
    SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$src/debian/changelog" -S Timestamp) \
    cmake --build "$work" --target install >"$cache/curl-$arch-build.log" 2>&1 ||
        die "building libcurl for $arch failed; see $cache/curl-$arch-build.log"
    rm -rf "$work"
    touch "$prefix/.built-small-sspi-repro"
}

# keep_licences: the licence files that binary distribution of the installer must carry, taken from
# the upstream tarballs setup fetched (the unpacked trees of the slicer and wxWidgets are deleted),
# for tools/release-notices.sh. The toolchain's own licences are read from its packages' docs.
keep_licences() {
    local dir=$cache/licenses
    [ -f "$dir/.kept-1" ] && return 0
    rm -rf "$dir"; mkdir -p "$dir"
    take_licence curl 'curl-*/COPYING' curl-COPYING
    take_licence prusa-slicer '*/src/miniz/LICENSE' miniz-LICENSE
    take_licence wxwidgets3.2 '*/3rdparty/nanosvg/LICENSE.txt' nanosvg-LICENSE.txt
    touch "$dir/.kept-1"
}
# take_licence PACKAGE MEMBER_PATTERN NAME: one file of PACKAGE's upstream tarball into licenses/NAME.
take_licence() {
    local tarball
    tarball=$(ls "$cache/dl/$1"/*.orig.tar.* | grep -v '\.asc$' | head -n1)
    tar -xOf "$tarball" --wildcards "$2" >"$cache/licenses/$3" 2>/dev/null && [ -s "$cache/licenses/$3" ] ||
        die "no licence file $2 in $tarball"
}

# miniz from the slicer's source; nanosvg from wxWidgets', whose copy is the library as released
# (the slicer's own copy is patched to need Boost).
take_third_party_headers() {
    local stamp=$cache/third_party/.taken-2 src
    [ -f "$stamp" ] && return 0
    rm -rf "$cache/third_party"
    mkdir -p "$cache/third_party/miniz" "$cache/third_party/nanosvg"
    src=$(fetch_source prusa-slicer)
    [ -f "$src/src/miniz/miniz.c" ] || die "prusa-slicer's source has no src/miniz/miniz.c"
    cp "$src/src/miniz/miniz.c" "$src/src/miniz/miniz.h" "$cache/third_party/miniz/"
    # Only the few headers are needed; the unpacked trees are large.
    rm -rf "$src"
    src=$(fetch_source wxwidgets3.2)
    [ -f "$src/3rdparty/nanosvg/src/nanosvg.h" ] || die "wxwidgets3.2's source has no 3rdparty/nanosvg/src/nanosvg.h"
    cp "$src/3rdparty/nanosvg/src/nanosvg.h" "$src/3rdparty/nanosvg/src/nanosvgrast.h" "$cache/third_party/nanosvg/"
    rm -rf "$src"
    touch "$stamp"
}

# ---------------------------------------------------------------------------------------------
mkdir -p "$cache"
install_packages
build_curl i686
build_curl x86_64
take_third_party_headers
keep_licences

miniz_version=$(sed -n 's/^#define MZ_VERSION "\(.*\)"/\1/p' "$cache/third_party/miniz/miniz.h")
{
    echo "libcurl   $(dsc_version curl) (Debian source package curl; static, Schannel, SSPI proxy authentication; i686 and x86_64)"
    echo "miniz     MZ_VERSION $miniz_version (from Debian source package prusa-slicer $(dsc_version prusa-slicer))"
    echo "nanosvg   from Debian source package wxwidgets3.2 $(dsc_version wxwidgets3.2)"
    echo "mingw-w64 $(i686-w64-mingw32-g++-posix -dumpversion) i686, $(x86_64-w64-mingw32-g++-posix -dumpversion) x86_64 (posix threads)"
    echo "clang     $(clang -dumpversion) (fuzz preset: libFuzzer, address and undefined-behaviour sanitizers)"
    echo "wine      $(/usr/lib/wine/wine64 --version 2>/dev/null || echo '?') (64-bit loader)"
} >"$cache/versions.txt"
sed 's/^/[setup] /' "$cache/versions.txt"
