#!/usr/bin/env bash
# libpq for Windows, proven under Wine: unpacks the zip into a folder whose path
# holds a space and non-ASCII letters, puts the probe beside darvell.exe (so
# that it loads the zip's libpq.dll, libssl-3-x64.dll and libcrypto-3-x64.dll
# and nothing else), starts a private PostgreSQL server on 127.0.0.1
# (scripts/team-server.sh) with a certificate for 127.0.0.1 from a test
# authority made here, and connects with sslmode=verify-full and a password
# file, both in a folder with non-ASCII letters: the server's version and TLS 1.3. The same connection with another
# authority's certificate, or a host name the certificate does not name, must fail.
#   scripts/e2e-windows-pq.sh ZIP PROBE_EXE OUT_DIR   (the logs stay in OUT_DIR)
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
zip=$(readlink -f "${1:?usage: $0 ZIP PROBE_EXE OUT_DIR}")
probe=$(readlink -f "${2:?usage: $0 ZIP PROBE_EXE OUT_DIR}")
out=$(mkdir -p "${3:?usage: $0 ZIP PROBE_EXE OUT_DIR}" && cd "$3" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/darvell-pq-proof.XXXXXX")
export WINEPREFIX=$work/wine WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8
unset WINEPATH
cleanup() {
  wineserver -k 2>/dev/null || true
  "$src/scripts/team-server.sh" stop "$work/server" || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "e2e-windows-pq: $*" >&2; exit 1; }
step() { echo "e2e-windows-pq: $*"; }

dest="$work/Darvell Prüfung é"
mkdir -p "$dest"
unzip -q "$zip" -d "$dest"
app=$(find "$dest" -mindepth 1 -maxdepth 1 -type d -name 'Darvell-*')
for f in libpq.dll libssl-3-x64.dll libcrypto-3-x64.dll; do
  [ -f "$app/$f" ] || fail "no $f beside darvell.exe in $zip"
done
cp "$probe" "$app/"

# Two authorities: the server's, and one that signed nothing of the server's.
# libpq opens its files by names in the Windows code page: a folder named in
# letters of that page, like a user's %APPDATA% with an accented user name.
tls="$work/TLS Prüfung é"
mkdir -p "$tls"
ec=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
for ca in ca other-ca; do
  openssl req -x509 "${ec[@]}" -keyout "$tls/$ca.key" -out "$tls/$ca.crt" -days 2 \
    -subj "/CN=Darvell test authority $ca" -addext basicConstraints=critical,CA:TRUE \
    -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
done
openssl req "${ec[@]}" -keyout "$tls/server.key" -out "$tls/server.csr" -subj /CN=127.0.0.1 2>/dev/null
openssl x509 -req -in "$tls/server.csr" -CA "$tls/ca.crt" -CAkey "$tls/ca.key" -CAcreateserial \
  -out "$tls/server.crt" -days 2 -extfile <(printf 'subjectAltName=IP:127.0.0.1\nextendedKeyUsage=serverAuth\n') \
  2>/dev/null
step "a test authority and a certificate for 127.0.0.1 made"

"$src/scripts/team-server.sh" start "$work/server" >/dev/null
source "$work/server/env"
cluster=$(sed -n 's/^# cluster //p' "$work/server/env")
# The server offers TLS with its own test authority's certificate; this
# proof's certificate (127.0.0.1 alone, its authority in a folder with accented
# letters) takes its place, read again on reload. The server reads its key only
# when its own account alone may.
owner=()
[ "$(id -u)" -eq 0 ] && owner=(-o postgres)
install -m 600 "${owner[@]}" "$tls/server.key" "$tls/server.crt" "$cluster/tls/"
password=$(openssl rand -hex 16)
psql -qX -v ON_ERROR_STOP=1 -d postgres \
  -c "CREATE ROLE darvell_probe LOGIN PASSWORD '$password'" \
  -c "SELECT pg_reload_conf()" >/dev/null
for _ in $(seq 50); do
  [ "$(psql -qXAt -d postgres -c 'SHOW ssl')" = on ] && break
  sleep 0.1
done
[ "$(psql -qXAt -d postgres -c 'SHOW ssl')" = on ] || fail "the server did not turn TLS on: $(tail -n 3 "$cluster/server.log")"
printf '127.0.0.1:%s:postgres:darvell_probe:%s\n' "$PGPORT" "$password" >"$tls/pgpass"
chmod 600 "$tls/pgpass"
step "PostgreSQL $(psql -qXAt -d postgres -c 'SHOW server_version') on 127.0.0.1:$PGPORT with TLS"

wineboot -i >"$out/wineboot.log" 2>&1 || fail "wineboot failed: $(tail -n 5 "$out/wineboot.log")"
wineserver -w
# Paths as Windows names them, with forward slashes: a backslash is an escape
# in a connection string.
win() { winepath -w "$1" | tr '\\' /; }
# The probe from the unpacked folder; prints its output, fails on its status.
connect() { # HOST_OPTIONS ROOT_CERT
  (cd "$app" && wine ./darvell-pqprobe.exe "$1 port=$PGPORT dbname=postgres user=darvell_probe \
sslmode=verify-full sslrootcert='$(win "$2")' passfile='$(win "$tls/pgpass")' connect_timeout=30") 2>&1 | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

result=$(connect host=127.0.0.1 "$tls/ca.crt") || fail "no connection over TLS: $result"
echo "$result" >"$out/probe.log"
echo "$result" | grep -q '^server: PostgreSQL 1[0-9]' || fail "the probe printed no server version: $result"
echo "$result" | grep -q '^TLS: TLSv1\.3 ' || fail "the connection is not TLS 1.3: $result"
step "connected with verify-full: $(echo "$result" | tr '\n' ';')"

# What verify-full must refuse: the probe must fail, and say why.
while IFS='|' read -r what host_options cert expect; do
  if refused=$(connect "$host_options" "$tls/$cert"); then
    fail "connected although $what: $refused"
  fi
  echo "$refused" | grep -qi "$expect" || fail "refused for another reason than that $what: $refused"
  step "refused: $what"
done <<'EOF'
the certificate is another authority's|host=127.0.0.1|other-ca.crt|certificate verify failed
the certificate names another host|host=localhost hostaddr=127.0.0.1|ca.crt|does not match host name
EOF
step "passed"
