#!/usr/bin/env bash
# The maker's one command for a release: builds the `release` preset, signs the installer with the
# maker's code-signing certificate (Authenticode, SHA-256, RFC 3161 timestamp) and writes the
# release folder build/release/out with SHA256SUMS. The unsigned build/release/OrbelinSetup.exe
# stays as it was built, so that anyone can compare a rebuild of it.
#
#   tools/release.sh                        build, sign, write build/release/out
#   tools/release.sh --sign-only FILE OUTDIR  sign FILE into OUTDIR (no build; the tests use it)
#
# The certificate, one of:
#   ORB_SIGN_PKCS12            a PKCS#12 file holding the key and the certificate chain, with
#   ORB_SIGN_PASSWORD          its password, or ORB_SIGN_PASSWORD_FILE, a file holding it;
#   ORB_SIGN_PKCS11_MODULE     a PKCS#11 module (the token's driver, a .so), with
#   ORB_SIGN_PKCS11_CERT       the certificate's PKCS#11 URI or id (or a PEM chain file),
#   ORB_SIGN_PKCS11_KEY        the key's PKCS#11 URI or id, and ORB_SIGN_PKCS11_PIN, where the
#                              token wants one.
# Other settings:
#   ORB_SIGN_TIMESTAMP_URL     RFC 3161 timestamp server (default http://timestamp.digicert.com)
#   ORB_SIGN_NAME              description shown by Windows' prompts (default Orbelin)
#   ORB_SIGN_URL               the product's web address (default: the release build's
#                              ORB_DOCS_SCHEME://ORB_DOCS_HOST)
#
# A certificate whose subject or issuer says it is a test certificate is refused, so that a test
# signature can never ship. ORB_RELEASE_TEST_SIGNING=1 lifts that for the tests, and only them.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
default_timestamp_url=http://timestamp.digicert.com

die() {
    echo "release: $*" >&2
    exit 1
}

# ---------------------------------------------------------------------------------------------
# The certificate
# ---------------------------------------------------------------------------------------------

# Which kind of certificate the environment names: pkcs12, pkcs11, or nothing.
certificate_kind() {
    if [ -n "${ORB_SIGN_PKCS12:-}" ]; then
        echo pkcs12
    elif [ -n "${ORB_SIGN_PKCS11_MODULE:-}" ]; then
        echo pkcs11
    fi
}

check_settings() {
    case "$(certificate_kind)" in
    pkcs12)
        [ -r "$ORB_SIGN_PKCS12" ] || die "cannot read ORB_SIGN_PKCS12 ($ORB_SIGN_PKCS12)"
        if [ -z "${ORB_SIGN_PASSWORD+set}" ] && [ -z "${ORB_SIGN_PASSWORD_FILE:-}" ]; then
            die "ORB_SIGN_PKCS12 needs ORB_SIGN_PASSWORD or ORB_SIGN_PASSWORD_FILE"
        fi
        if [ -n "${ORB_SIGN_PASSWORD_FILE:-}" ] && [ ! -r "$ORB_SIGN_PASSWORD_FILE" ]; then
            die "cannot read ORB_SIGN_PASSWORD_FILE ($ORB_SIGN_PASSWORD_FILE)"
        fi
        ;;
    pkcs11)
        if [ -z "${ORB_SIGN_PKCS11_CERT:-}" ] || [ -z "${ORB_SIGN_PKCS11_KEY:-}" ]; then
            die "ORB_SIGN_PKCS11_MODULE needs ORB_SIGN_PKCS11_CERT and ORB_SIGN_PKCS11_KEY"
        fi
        ;;
    *)
        die "no signing certificate: set ORB_SIGN_PKCS12 (+ ORB_SIGN_PASSWORD or ORB_SIGN_PASSWORD_FILE)" \
            "or ORB_SIGN_PKCS11_MODULE + ORB_SIGN_PKCS11_CERT + ORB_SIGN_PKCS11_KEY (+ ORB_SIGN_PKCS11_PIN); nothing was signed"
        ;;
    esac
}

# The secret osslsigncode reads on its standard input (-readpass -), so that it never shows in
# the process list: the PKCS#12 password or the token's PIN.
secret() {
    if [ -n "${ORB_SIGN_PASSWORD_FILE:-}" ]; then
        cat "$ORB_SIGN_PASSWORD_FILE"
    elif [ "$(certificate_kind)" = pkcs12 ]; then
        printf '%s' "${ORB_SIGN_PASSWORD:-}"
    else
        printf '%s' "${ORB_SIGN_PKCS11_PIN:-}"
    fi
}

# "subject=…" and "issuer=…" of every certificate in the PEM text on standard input.
subjects_and_issuers() {
    local pem
    pem=$(mktemp)
    cat >"$pem"
    awk -v dir="$(dirname "$pem")/$(basename "$pem")." '
        /-----BEGIN CERTIFICATE-----/ { n++; file = dir n }
        file { print > file }
        /-----END CERTIFICATE-----/ { close(file); file = "" }' "$pem"
    local one
    for one in "$pem".*; do
        [ -e "$one" ] || continue
        openssl x509 -in "$one" -noout -subject -issuer
        rm -f "$one"
    done
    rm -f "$pem"
}

# The test tooling names its certificates "… Test …", "(test)" or "… Tests"; a real
# publisher's certificate carries none of these words.
refuse_test_certificate() {
    local names=$1 what=$2
    [ -n "$names" ] || die "could not read the certificates of $what"
    if ! grep -Eiq '(^|[^[:alnum:]])tests?([^[:alnum:]]|$)' <<<"$names"; then
        return 0
    fi
    if [ "${ORB_RELEASE_TEST_SIGNING:-}" != 1 ]; then
        die "refused: $what is a test certificate ($(grep -Ei '(^|[^[:alnum:]])tests?([^[:alnum:]]|$)' <<<"$names" | head -n 1)); a release is never signed with one"
    fi
    {
        echo "release: ******************************************************************"
        echo "release: *** TEST SIGNING (ORB_RELEASE_TEST_SIGNING=1): NOT A RELEASE     ***"
        echo "release: *** signed with a test certificate; never ship this file         ***"
        echo "release: ******************************************************************"
    } >&2
}

# The PKCS#12 file's certificates, read before anything is signed.
check_pkcs12_certificate() {
    local names
    names=$(secret | openssl pkcs12 -in "$ORB_SIGN_PKCS12" -nokeys -passin stdin 2>/dev/null |
        subjects_and_issuers) || true
    if [ -z "$names" ]; then
        # A file made by an older tool may use ciphers OpenSSL 3 keeps in its legacy provider.
        names=$(secret | openssl pkcs12 -legacy -in "$ORB_SIGN_PKCS12" -nokeys -passin stdin 2>/dev/null |
            subjects_and_issuers) || true
    fi
    [ -n "$names" ] || die "cannot read ORB_SIGN_PKCS12 ($ORB_SIGN_PKCS12): wrong password or not a PKCS#12 file"
    refuse_test_certificate "$names" "ORB_SIGN_PKCS12"
}

# The certificates a signature carries (a token's certificate is known only once it has signed).
check_signature_certificate() {
    local signed=$1 dir names
    # osslsigncode writes only a file that does not exist yet.
    dir=$(mktemp -d)
    osslsigncode extract-signature -pem -in "$signed" -out "$dir/signature.pem" >/dev/null 2>&1 || true
    names=$(openssl pkcs7 -in "$dir/signature.pem" -print_certs 2>/dev/null | subjects_and_issuers) || true
    rm -rf "$dir"
    refuse_test_certificate "$names" "the signing certificate"
}

# Everything that can be known about the certificate before signing.
check_certificate() {
    check_settings
    [ "$(certificate_kind)" != pkcs12 ] || check_pkcs12_certificate
}

# ---------------------------------------------------------------------------------------------
# Signing and the release folder
# ---------------------------------------------------------------------------------------------

product_url() {
    if [ -n "${ORB_SIGN_URL:-}" ]; then
        echo "$ORB_SIGN_URL"
        return
    fi
    local cache="$repo/build/release/CMakeCache.txt" host scheme
    [ -f "$cache" ] || return 0
    host=$(sed -n 's/^ORB_DOCS_HOST:[A-Z]*=//p' "$cache")
    scheme=$(sed -n 's/^ORB_DOCS_SCHEME:[A-Z]*=//p' "$cache")
    [ -z "$host" ] || echo "${scheme:-https}://$host/"
}

sign() {
    local in=$1 out=$2 url
    local args=(sign -h sha256 -ts "${ORB_SIGN_TIMESTAMP_URL:-$default_timestamp_url}"
        -n "${ORB_SIGN_NAME:-Orbelin}" -in "$in" -out "$out")
    url=$(product_url)
    [ -z "$url" ] || args+=(-i "$url")
    if [ "$(certificate_kind)" = pkcs12 ] || [ -n "${ORB_SIGN_PKCS11_PIN+set}" ]; then
        args+=(-readpass -)
    fi
    if [ "$(certificate_kind)" = pkcs12 ]; then
        args+=(-pkcs12 "$ORB_SIGN_PKCS12")
    else
        args+=(-pkcs11module "$ORB_SIGN_PKCS11_MODULE" -key "$ORB_SIGN_PKCS11_KEY")
        if [ -f "$ORB_SIGN_PKCS11_CERT" ]; then
            args+=(-certs "$ORB_SIGN_PKCS11_CERT")
        else
            args+=(-pkcs11cert "$ORB_SIGN_PKCS11_CERT")
        fi
    fi
    secret | osslsigncode "${args[@]}" >/dev/null || die "osslsigncode could not sign $in"
}

# Signs FILE into OUTDIR under its own name, adds the bill of materials where its generator
# exists, and writes SHA256SUMS over everything the folder ships.
make_release_folder() {
    local in=$1 outdir=$2 name staged
    name=$(basename "$in")
    [ -f "$in" ] || die "no such file: $in"
    # SHA256SUMS lists the whole folder, so nothing of an earlier run may linger in it.
    if [ -n "$(ls -A "$outdir" 2>/dev/null)" ]; then
        die "the release folder $outdir is not empty"
    fi
    mkdir -p "$outdir"
    staged="$outdir/.$name.signing"
    rm -f "$staged"
    if ! (sign "$in" "$staged" && check_signature_certificate "$staged"); then
        rm -f "$staged"
        exit 1
    fi
    mv "$staged" "$outdir/$name"
    if [ -x "$repo/tools/release-notices.sh" ]; then
        "$repo/tools/release-notices.sh" "$outdir" || die "tools/release-notices.sh failed"
    fi
    (cd "$outdir" && find . -maxdepth 1 -type f ! -name SHA256SUMS ! -name '.*' -printf '%P\n' |
        LC_ALL=C sort | xargs -d '\n' sha256sum -- >SHA256SUMS)
    echo "release: $outdir/$name signed; $outdir/SHA256SUMS written"
}

case "${1:-}" in
--sign-only)
    [ $# -eq 3 ] || die "usage: tools/release.sh --sign-only FILE OUTDIR"
    check_certificate
    make_release_folder "$2" "$3"
    ;;
"")
    # Refuse before a build that would only be thrown away.
    check_certificate
    cd "$repo"
    "$repo/tools/setup.sh"
    cmake --preset release >/dev/null
    cmake --build --preset release
    rm -rf "$repo/build/release/out"
    make_release_folder "$repo/build/release/OrbelinSetup.exe" "$repo/build/release/out"
    ;;
*)
    die "usage: tools/release.sh [--sign-only FILE OUTDIR]"
    ;;
esac
