#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests, reachable only through a socket in its own folder.
#   pg-test-server.sh start DIR   prints the connection string
#   pg-test-server.sh stop DIR    stops the cluster and removes DIR
#   pg-test-server.sh halt DIR    stops the server at once, keeping its data (a crash, for fault tests)
#   pg-test-server.sh resume DIR  starts a halted server again
set -euo pipefail
action=$1
dir=$2
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)

# The server refuses to run as root; root runs it as the postgres user of the Debian package.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

start_server() {
  as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
    -o "-k $dir -c listen_addresses= -p 5432 -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
    start >/dev/null
}

case "$action" in
  start)
    mkdir -p "$dir"
    if [ "$(id -u)" -eq 0 ]; then chown postgres:postgres "$dir"; fi
    as_owner "$bin/initdb" -D "$dir/data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 --no-sync >"$dir/initdb.log" 2>&1
    start_server
    as_owner "$bin/createdb" -h "$dir" -p 5432 -U postgres vorn_test
    echo "host=$dir port=5432 dbname=vorn_test user=postgres"
    ;;
  stop)
    if [ -d "$dir/data" ]; then as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true; fi
    rm -rf "$dir"
    ;;
  halt)
    as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null
    ;;
  resume)
    start_server
    ;;
  *)
    echo "usage: $0 start|stop|halt|resume DIR" >&2
    exit 2
    ;;
esac
