#!/usr/bin/env bash
# ctest fixture: starts the test server in the background and waits until it listens.
#   start.sh INFO_FILE [FILES_DIR]   (INFO_FILE receives "http_port https_port pid"; the server
#                                     serves FILES_DIR's files at /t/<id>/file/<name>)
set -euo pipefail
info=$1
files=${2:-}
dir=$(dirname "$info")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mkdir -p "$dir"
rm -f "$info"
if [ ! -f "$dir/server.pem" ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=127.0.0.1" \
        -addext "subjectAltName=IP:127.0.0.1,DNS:localhost" \
        -keyout "$dir/server.key" -out "$dir/server.pem" >/dev/null 2>&1
fi
# Detached from ctest's output pipe, which would otherwise stay open for the server's lifetime.
setsid python3 "$here/orb_test_server.py" --info "$info" --cert "$dir/server.pem" --key "$dir/server.key" \
    ${files:+--files "$files"} \
    </dev/null >"$dir/server.log" 2>&1 &
for _ in $(seq 1 100); do
    [ -s "$info" ] && { echo "test server: $(cat "$info")"; exit 0; }
    sleep 0.1
done
echo "test server did not start; see $dir/server.log" >&2
exit 1
