#!/usr/bin/env bash
# A private PostgreSQL server for the plant history (server/darvell-team.sql),
# to try the file or to test against: Debian's PostgreSQL binaries, a cluster
# in a temporary folder, listening on 127.0.0.1 on a free port and on a socket
# in that folder. Run as root, the server runs as the package's account
# `postgres`.
#   scripts/team-server.sh start DIR   # DIR/env: PGHOST PGPORT PGUSER for psql (source it)
#   scripts/team-server.sh stop DIR    # ends that server and removes its cluster and DIR
#   scripts/team-server.sh halt DIR    # ends that server at once, as a power cut would (no shutdown)
#   scripts/team-server.sh resume DIR  # starts it again, after a halt, on the same port
# The superuser is `postgres`, trusted on the socket; TCP asks every role its
# password (scram-sha-256) and offers TLS with a certificate for 127.0.0.1 and
# localhost from a test authority made here by openssl: DIR/ca.crt is that
# authority, DIR/other-ca.crt one that signed nothing of this server. A
# scratch server: it writes without fsync.
set -euo pipefail
dir=${2:?usage: $0 start|stop|halt|resume DIR}
fail() { echo "team-server: $*" >&2; exit 1; }

as_owner() { if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi; }

# The cluster of DIR, as start wrote it in DIR/env.
cluster_of() { sed -n 's/^# cluster //p' "$dir/env" 2>/dev/null || true; }

stop() {
  local cluster
  cluster=$(cluster_of)
  if [ -n "$cluster" ] && [ -f "$cluster/data/postmaster.pid" ]; then
    as_owner "$bin/pg_ctl" stop -D "$cluster/data" -m fast -w >/dev/null || true
  fi
  case $cluster in */darvell-pg.*) rm -rf "$cluster" ;; esac
  rm -rf "$dir"
}

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n1)
[ -x "$bin/initdb" ] && [ -x "$bin/pg_ctl" ] && command -v psql >/dev/null ||
  fail "no PostgreSQL server binaries in /usr/lib/postgresql/*/bin or no psql:" \
    "install postgresql-15 and postgresql-client-15 (scripts/deps.sh lists them)"

# A test authority, the server's key and certificate (127.0.0.1 and localhost)
# signed by it, and a second authority; the key is the server account's alone.
make_certificates() {
  local tls=$1 key=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
  mkdir -p "$tls"
  openssl req -x509 "${key[@]}" -days 30 -subj "/CN=Darvell test authority" -keyout "$tls/ca.key" -out "$tls/ca.crt"
  openssl req -x509 "${key[@]}" -days 30 -subj "/CN=Another authority" -keyout "$tls/other-ca.key" -out "$tls/other-ca.crt"
  openssl req "${key[@]}" -subj "/CN=localhost" -keyout "$tls/server.key" -out "$tls/server.csr"
  printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\n' >"$tls/server.ext"
  openssl x509 -req -in "$tls/server.csr" -CA "$tls/ca.crt" -CAkey "$tls/ca.key" -CAcreateserial -days 30 \
    -extfile "$tls/server.ext" -out "$tls/server.crt"
  chmod 600 "$tls/server.key"
  if [ "$(id -u)" -eq 0 ]; then chown -R postgres: "$tls"; fi
}

# Starts the cluster's server on port $2; fails when it does not come up.
launch() {
  local cluster=$1 port=$2 tls=$1/tls
  as_owner "$bin/pg_ctl" start -D "$cluster/data" -w -t 60 -l "$cluster/server.log" \
    -o "-c listen_addresses=127.0.0.1 -p $port -k $cluster -c fsync=off -c ssl=on \
        -c ssl_cert_file=$tls/server.crt -c ssl_key_file=$tls/server.key" >/dev/null
}

case $1 in
start)
  stop # a server an interrupted run left
  if [ "$(id -u)" -eq 0 ] && ! id postgres >/dev/null 2>&1; then
    fail "running as root, but there is no account postgres to run the server as (the postgresql package makes it)"
  fi
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  cluster=$(mktemp -d "${TMPDIR:-/tmp}/darvell-pg.XXXXXX")
  echo "# cluster $cluster" >"$dir/env"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$cluster"
  as_owner "$bin/initdb" -D "$cluster/data" -U postgres -E UTF8 --locale=C.UTF-8 \
    --auth-local=trust --auth-host=scram-sha-256 >"$cluster/initdb.log" 2>&1 ||
    fail "initdb failed: $(tail -n 5 "$cluster/initdb.log")"
  make_certificates "$cluster/tls" >"$cluster/tls.log" 2>&1 || fail "openssl failed: $(tail -n 5 "$cluster/tls.log")"
  cp "$cluster/tls/ca.crt" "$cluster/tls/other-ca.crt" "$dir/"
  # A port that is free now may be taken before the server binds it: the
  # server then fails to start, and another port is tried.
  for _ in 1 2 3 4 5 6 7 8; do
    port=$((20000 + RANDOM % 40000))
    ss -Hltn "sport = :$port" 2>/dev/null | grep -q . && continue
    if launch "$cluster" "$port"; then
      printf 'export PGHOST=%q PGPORT=%s PGUSER=postgres\n' "$cluster" "$port" >>"$dir/env"
      echo "PostgreSQL on 127.0.0.1:$port, socket in $cluster"
      exit 0
    fi
  done
  fail "the server did not start: $(tail -n 5 "$cluster/server.log")"
  ;;
stop) stop ;;
halt | resume)
  cluster=$(cluster_of)
  port=$(sed -n 's/.* PGPORT=\([0-9]*\) .*/\1/p' "$dir/env" 2>/dev/null || true)
  [ -n "$cluster" ] && [ -n "$port" ] && [ -d "$cluster/data" ] || fail "no server started in $dir"
  if [ "$1" = halt ]; then
    as_owner "$bin/pg_ctl" stop -D "$cluster/data" -m immediate -w >/dev/null || fail "the server of $dir did not stop"
  else
    launch "$cluster" "$port" || fail "the server did not start again: $(tail -n 5 "$cluster/server.log")"
  fi
  ;;
*) fail "usage: $0 start|stop|halt|resume DIR" ;;
esac
