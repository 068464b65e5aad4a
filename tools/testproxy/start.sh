#!/usr/bin/env bash
# ctest fixture: starts a private squid on 127.0.0.1 for the proxy tests and waits until it listens.
#   start.sh INFO_FILE
# INFO_FILE receives "open_port auth_port ntlm_port pid" (or "none <reason>" when squid is not
# installed, so the tests can say why they skip). Its folder holds the configuration, the access log
# (access.log), the cache log, the pid file, the htpasswd file and the hosts file.
#
# - open_port: anyone on loopback may use it;
# - auth_port: demands Basic credentials (basic_ncsa_auth; the installer never has any, so it ends
#   with 407);
# - ntlm_port: demands NTLM and takes whatever a client's NTLM exchange says (ntlm_fake_auth), to
#   show whether the client can speak NTLM at all.
# squid resolves the test host name orb-proxy-test.example (and nothing else) from its own hosts
# file to 127.0.0.1; the installer cannot resolve that name, so a request for it that reaches the
# test server went through this proxy. No cache, no DNS beyond loopback.
set -euo pipefail
info=$1
mkdir -p "$(dirname "$info")"
dir=$(cd "$(dirname "$info")" && pwd)
rm -f "$info"

squid=$(command -v squid || true)
[ -n "$squid" ] || squid=/usr/sbin/squid
helpers=/usr/lib/squid
if [ ! -x "$squid" ] || [ ! -x "$helpers/basic_ncsa_auth" ]; then
    echo "none squid is not installed (tools/setup.sh installs Debian's squid)" >"$info"
    echo "test proxy: squid is not installed; the proxy tests will skip"
    exit 0
fi

# Three free ephemeral ports, asked of the kernel all at once so they differ.
read -r open_port auth_port ntlm_port < <(python3 - <<'PY'
import socket
socks = [socket.socket() for _ in range(3)]
for s in socks:
    s.bind(("127.0.0.1", 0))
print(" ".join(str(s.getsockname()[1]) for s in socks))
PY
)

echo "127.0.0.1 orb-proxy-test.example" >"$dir/hosts"
printf 'orb-user:%s\n' "$(openssl passwd -apr1 orb-test-password)" >"$dir/htpasswd"
rm -f "$dir/access.log" "$dir/cache.log"
user_line=
if [ "$(id -u)" = 0 ]; then
    # squid will not run as root: its workers become the Debian package's own user.
    user_line="cache_effective_user proxy"
    chown proxy "$dir"
fi
cat >"$dir/squid.conf" <<CONF
http_port 127.0.0.1:$open_port name=open
http_port 127.0.0.1:$auth_port name=auth
http_port 127.0.0.1:$ntlm_port name=ntlm
visible_hostname orb-test-proxy
$user_line
pid_filename $dir/squid.pid
access_log stdio:$dir/access.log
cache_log $dir/cache.log
cache_store_log none
coredump_dir $dir
netdb_filename none
pinger_enable off
hosts_file $dir/hosts
dns_nameservers 127.0.0.1
cache deny all
cache_mem 0 MB
shutdown_lifetime 0 seconds
forwarded_for transparent

auth_param ntlm program $helpers/ntlm_fake_auth
auth_param ntlm children 2
auth_param basic program $helpers/basic_ncsa_auth $dir/htpasswd
auth_param basic children 2
auth_param basic realm orb-test-proxy

acl from_loopback src 127.0.0.1/32
acl open_port myportname open
acl auth_port myportname auth
acl ntlm_port myportname ntlm
acl basic_user proxy_auth REQUIRED
acl ntlm_user proxy_auth REQUIRED
acl connect_method method CONNECT
http_access deny !from_loopback
http_access allow open_port
http_access allow auth_port basic_user
http_access deny auth_port
http_access allow ntlm_port ntlm_user
http_access deny all
CONF
"$squid" -k parse -f "$dir/squid.conf" >"$dir/parse.log" 2>&1 || {
    echo "squid refused its configuration; see $dir/parse.log" >&2
    exit 1
}
# Detached from ctest's output pipe; -N keeps one process whose pid stop.sh ends.
setsid "$squid" -N -f "$dir/squid.conf" </dev/null >"$dir/squid.out" 2>&1 &
pid=$!
for _ in $(seq 1 100); do
    if python3 -c "import socket,sys; [socket.create_connection(('127.0.0.1', int(p)), 1).close() for p in sys.argv[1:]]" \
        "$open_port" "$auth_port" "$ntlm_port" 2>/dev/null; then
        echo "$open_port $auth_port $ntlm_port $pid" >"$info"
        echo "test proxy: $(cat "$info")"
        exit 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill "$pid" 2>/dev/null || true
echo "squid did not start; see $dir/cache.log and $dir/squid.out" >&2
exit 1
