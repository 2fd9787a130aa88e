#!/usr/bin/env bash
# Runs a command with a throwaway PostgreSQL server on loopback and the
# HRA_TEST_PG_* variables the database tests read; stops the server afterwards.
# The server refuses to run as root, so as root it runs as the postgres user.
set -euo pipefail

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bindir" ]; then
  echo "PostgreSQL server binaries not found (Debian package postgresql)" >&2
  exit 1
fi

as_server_user=()
if [ "$(id -u)" -eq 0 ]; then
  as_server_user=(runuser -u postgres --)
fi

dir=$(mktemp -d /tmp/hra-pg.XXXXXX)
chmod 755 "$dir"
[ "$(id -u)" -eq 0 ] && chown postgres:postgres "$dir"
port=${HRA_TEST_PG_PORT:-$(( 20000 + RANDOM % 20000 ))}

stop() {
  "${as_server_user[@]}" "$bindir/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap stop EXIT

"${as_server_user[@]}" "$bindir/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 \
  || { cat "$dir/initdb.log" >&2; exit 1; }
"${as_server_user[@]}" "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
  -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$dir -c fsync=off" start >/dev/null \
  || { cat "$dir/server.log" >&2; exit 1; }

export HRA_TEST_PG_HOST=127.0.0.1 HRA_TEST_PG_PORT=$port HRA_TEST_PG_USER=postgres
"$@"
