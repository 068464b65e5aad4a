#!/usr/bin/env bash
# The signed release, end to end: tools/release.sh --sign-only signs a copy of the shipped
# installer with a throwaway CA's code-signing certificate (PKCS#12) and a throwaway RFC 3161
# server on loopback; then SHA256SUMS, osslsigncode verify and, under Wine, WinVerifyTrust check the
# release folder. It also checks the two refusals: no certificate, and a test certificate without
# the test-only switch.
#
#   release_signing_test.sh INSTALLER TRUST_CHECK_EXE FLAVOUR
set -euo pipefail
installer=$1 trust_check=$2 flavour=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)

work=$(mktemp -d /tmp/orb-release-test.XXXXXX)
tsa_pid=
cleanup() {
    [ -z "$tsa_pid" ] || kill "$tsa_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

quiet() {
    "$@" >"$work/cmd.log" 2>&1 || { cat "$work/cmd.log" >&2; fail "$*"; }
}

# ---------------------------------------------------------------------------------------------
# A throwaway CA with a code-signing certificate, and a throwaway timestamp authority
# ---------------------------------------------------------------------------------------------

root_ca() {  # NAME SUBJECT
    quiet openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 30 -keyout "$work/$1.key" -out "$work/$1.pem" \
        -subj "$2" -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
}

leaf() {  # NAME SUBJECT ISSUER EXTENSIONS
    printf '%b' "$4" >"$work/$1.ext"
    quiet openssl req -new -newkey rsa:2048 -nodes -keyout "$work/$1.key" -out "$work/$1.csr" -subj "$2"
    quiet openssl x509 -req -sha256 -days 30 -in "$work/$1.csr" -CA "$work/$3.pem" -CAkey "$work/$3.key" \
        -set_serial "0x$(openssl rand -hex 8)" -extfile "$work/$1.ext" -out "$work/$1.pem"
}

root_ca root "/CN=Orbelin Release Test Root CA/O=Orbelin Tests"
leaf signer "/CN=Orbelin Release Test Signer/O=Orbelin Tests" root \
    "basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n"
root_ca tsa-root "/CN=Orbelin Test TSA Root/O=Orbelin Tests"
leaf tsa "/CN=Orbelin Test TSA/O=Orbelin Tests" tsa-root \
    "basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=critical,timeStamping\n"
quiet openssl pkcs12 -export -inkey "$work/signer.key" -in "$work/signer.pem" -certfile "$work/root.pem" \
    -passout pass:release-test -out "$work/signer.p12"
quiet openssl x509 -in "$work/root.pem" -outform DER -out "$work/root.der"
cat "$work/tsa.pem" "$work/tsa-root.pem" >"$work/tsa-chain.pem"
echo 01 >"$work/tsa.serial"
cat >"$work/ts.cnf" <<CNF
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = $work/tsa.serial
crypto_device = builtin
signer_cert = $work/tsa.pem
signer_key = $work/tsa.key
certs = $work/tsa-chain.pem
signer_digest = sha256
default_policy = 1.3.6.1.4.1.55555.1
digests = sha1, sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = yes
ess_cert_id_chain = no
ess_cert_id_alg = sha256
CNF

python3 "$here/tsa_server.py" "$work/ts.cnf" "$work/tsa.port" &
tsa_pid=$!
for _ in $(seq 100); do
    [ -s "$work/tsa.port" ] && break
    sleep 0.1
done
[ -s "$work/tsa.port" ] || fail "the timestamp server did not start"

# The release signs a copy; the build's own file is never touched.
mkdir "$work/in"
cp "$installer" "$work/in/OrbelinSetup.exe"
cp "$installer" "$work/unsigned.exe"

release() {  # OUTDIR: tools/release.sh --sign-only with the environment given around it
    "$repo/tools/release.sh" --sign-only "$work/in/OrbelinSetup.exe" "$1" >"$work/release.out" 2>"$work/release.err"
}
unset ORB_SIGN_PKCS12 ORB_SIGN_PASSWORD ORB_SIGN_PASSWORD_FILE ORB_SIGN_PKCS11_MODULE ORB_SIGN_PKCS11_CERT \
    ORB_SIGN_PKCS11_KEY ORB_SIGN_PKCS11_PIN ORB_RELEASE_TEST_SIGNING
export ORB_SIGN_TIMESTAMP_URL="http://127.0.0.1:$(cat "$work/tsa.port")/"

# ---------------------------------------------------------------------------------------------
# Refusals: nothing is signed
# ---------------------------------------------------------------------------------------------

if release "$work/out-none"; then fail "signed without a certificate"; fi
grep -q "ORB_SIGN_PKCS12" "$work/release.err" || fail "the refusal does not name the variables: $(cat "$work/release.err")"
[ ! -e "$work/out-none/OrbelinSetup.exe" ] || fail "a file was signed without a certificate"

export ORB_SIGN_PKCS12="$work/signer.p12" ORB_SIGN_PASSWORD=release-test
if release "$work/out-test"; then fail "signed with a test certificate without ORB_RELEASE_TEST_SIGNING"; fi
grep -q "test certificate" "$work/release.err" || fail "the refusal does not say why: $(cat "$work/release.err")"
[ ! -e "$work/out-test/OrbelinSetup.exe" ] || fail "a file was signed with a test certificate"

# ---------------------------------------------------------------------------------------------
# The test-signed release folder
# ---------------------------------------------------------------------------------------------

out="$work/out"
ORB_RELEASE_TEST_SIGNING=1 release "$out" || fail "release.sh: $(cat "$work/release.err")"
grep -q "TEST SIGNING" "$work/release.err" || fail "test signing went by without saying so"
cmp -s "$installer" "$work/in/OrbelinSetup.exe" || fail "the unsigned input was changed"

(cd "$out" && sha256sum --strict -c SHA256SUMS) >"$work/sums.log" 2>&1 || fail "SHA256SUMS: $(cat "$work/sums.log")"
listed=$(wc -l <"$out/SHA256SUMS")
shipped=$(find "$out" -maxdepth 1 -type f ! -name SHA256SUMS | wc -l)
[ "$listed" -eq "$shipped" ] || fail "SHA256SUMS lists $listed files, the folder ships $shipped"
grep -q ' OrbelinSetup.exe$' "$out/SHA256SUMS" || fail "SHA256SUMS does not list OrbelinSetup.exe"

osslsigncode verify -CAfile "$work/root.pem" -TSA-CAfile "$work/tsa-root.pem" -in "$out/OrbelinSetup.exe" \
    >"$work/verify.log" 2>&1 || { cat "$work/verify.log" >&2; fail "osslsigncode verify"; }
grep -q "Message digest algorithm: SHA256" "$work/verify.log" || fail "not signed with SHA-256: $(cat "$work/verify.log")"
grep -q "Timestamp Server Signature verification: ok" "$work/verify.log" || fail "no valid timestamp: $(cat "$work/verify.log")"

# ---------------------------------------------------------------------------------------------
# Windows' own check under Wine, with the throwaway root trusted in the prefix
# ---------------------------------------------------------------------------------------------

winpath() { printf 'Z:%s' "${1//\//\\}"; }
"$repo/tools/wine-run.sh" "$flavour" "$trust_check" "$(winpath "$work/root.der")" "$(winpath "$out/OrbelinSetup.exe")" ||
    fail "WinVerifyTrust refused the signed release"
status=0
"$repo/tools/wine-run.sh" "$flavour" "$trust_check" "$(winpath "$work/root.der")" "$(winpath "$work/unsigned.exe")" || status=$?
[ "$status" -eq 1 ] || fail "WinVerifyTrust did not refuse the unsigned installer (exit $status)"
echo "release signing: refusals, SHA256SUMS, osslsigncode verify and WinVerifyTrust passed"
