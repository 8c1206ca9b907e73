#!/usr/bin/env bash
# A throwaway PostgreSQL primary with a streaming hot standby, for the tests and benchmarks.
# Both servers are reachable only through sockets in their own folders under DIR; neither listens on TCP.
#   pg-standby.sh start DIR                  prints the primary's connection string, then the standby's
#   pg-standby.sh stop DIR                   stops both servers and removes DIR
#   pg-standby.sh halt-standby DIR           stops the standby at once, keeping its data (a crash, for fault tests)
#   pg-standby.sh resume-standby DIR         starts a halted standby again and waits until it accepts connections
#   pg-standby.sh pause-replay DIR           pauses WAL replay on the standby, so it falls behind the primary
#   pg-standby.sh resume-replay DIR          resumes WAL replay on the standby
#   pg-standby.sh wait-replay DIR [SECONDS]  waits (30 s unless told) until the standby has replayed
#                                            everything the primary had written when the wait began
set -euo pipefail

usage() {
  echo "usage: $0 start|stop|halt-standby|resume-standby|pause-replay|resume-replay DIR" >&2
  echo "       $0 wait-replay DIR [SECONDS]" >&2
  exit 2
}

[ $# -ge 2 ] || usage
action=$1
[ -n "$2" ] || usage
# Socket folders and primary_conninfo need an absolute path.
dir=$(realpath -m -- "$2")
# The path goes unquoted into connection strings and quoted into postgresql.conf.
case "$dir" in
  *[[:space:]\'\"\\]*) echo "$0: DIR must not contain spaces, quotes or backslashes: $dir" >&2; exit 2 ;;
esac
if [ "$dir" = / ]; then echo "$0: refusing to use / as DIR" >&2; exit 2; fi

shopt -s nullglob
bins=(/usr/lib/postgresql/*/bin)
shopt -u nullglob
if [ ${#bins[@]} -eq 0 ]; then echo "$0: no PostgreSQL server found under /usr/lib/postgresql" >&2; exit 1; fi
bin=$(printf '%s\n' "${bins[@]}" | sort -V | tail -n 1)

primary_port=5432
standby_port=5433
primary_sock=$dir/primary-socket
standby_sock=$dir/standby-socket
marker=$dir/.pg-standby

# The server refuses to run as root; root runs it as the postgres user of the Debian package.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

# Runs one query and prints the bare result.
query() { # SOCKET PORT SQL
  as_owner "$bin/psql" -X -q -t -A -v ON_ERROR_STOP=1 -h "$1" -p "$2" -U postgres -d vorn_test -c "$3"
}
query_primary() { query "$primary_sock" "$primary_port" "$1"; }
query_standby() { query "$standby_sock" "$standby_port" "$1"; }

start_primary() {
  as_owner "$bin/pg_ctl" -D "$dir/primary" -l "$dir/primary.log" -w start >/dev/null
}

start_standby() {
  as_owner "$bin/pg_ctl" -D "$dir/standby" -l "$dir/standby.log" -w start >/dev/null
  # pg_ctl returns once the standby is consistent; make sure it answers read-only queries in recovery.
  local i
  for ((i = 0; i < 600; i++)); do
    if [ "$(query_standby 'SELECT pg_is_in_recovery()' 2>/dev/null || true)" = t ]; then return 0; fi
    sleep 0.1
  done
  echo "$0: the standby did not come up in recovery; see $dir/standby.log" >&2
  return 1
}

stop_server() { # DATADIR
  if [ -f "$1/postmaster.pid" ]; then
    as_owner "$bin/pg_ctl" -D "$1" -m immediate -w stop >/dev/null 2>&1 || true
  fi
}

require_pair() {
  if [ ! -f "$marker" ] || [ ! -d "$dir/standby" ]; then
    echo "$0: no primary/standby pair in $dir" >&2
    exit 1
  fi
}

case "$action" in
  start)
    [ $# -eq 2 ] || usage
    if [ -e "$dir" ] && [ -n "$(ls -A -- "$dir")" ]; then
      echo "$0: $dir exists and is not empty" >&2
      exit 1
    fi
    # The socket file name must fit in sun_path (108 bytes with its terminator).
    if [ ${#standby_sock} -gt 90 ]; then
      echo "$0: DIR is too long for a socket path: $dir" >&2
      exit 2
    fi
    mkdir -p "$dir"
    touch "$marker"
    if [ "$(id -u)" -eq 0 ]; then chown postgres:postgres "$dir"; fi
    # Trust authentication: only the server's owner (and root) may reach the sockets.
    as_owner mkdir -m 700 "$primary_sock" "$standby_sock"
    trap 'echo "$0: start failed; logs are in $dir, remove it with: $0 stop $dir" >&2' ERR

    as_owner "$bin/initdb" -D "$dir/primary" -A trust -U postgres -E UTF8 --locale=C.UTF-8 --no-sync \
      >"$dir/initdb.log" 2>&1
    # synchronous_commit stays on: with fsync off it costs little, and a commit is then written
    # before it returns, so wait-replay's pg_current_wal_lsn() covers every committed transaction.
    as_owner tee -a "$dir/primary/postgresql.conf" >/dev/null <<EOF

# pg-standby.sh
listen_addresses = ''
port = $primary_port
unix_socket_directories = '$primary_sock'
unix_socket_permissions = 0700
fsync = off
full_page_writes = on
wal_level = replica
max_wal_senders = 10
max_replication_slots = 10
hot_standby = on
EOF
    start_primary
    as_owner "$bin/createdb" -h "$primary_sock" -p "$primary_port" -U postgres vorn_test

    # -R writes standby.signal and primary_conninfo; the slot keeps the primary's WAL while the
    # standby is halted or behind, so it can always catch up.
    as_owner "$bin/pg_basebackup" -h "$primary_sock" -p "$primary_port" -U postgres -D "$dir/standby" \
      -R -X stream -C -S vorn_standby -c fast --no-sync >"$dir/basebackup.log" 2>&1
    as_owner tee -a "$dir/standby/postgresql.conf" >/dev/null <<EOF

# standby
port = $standby_port
unix_socket_directories = '$standby_sock'
# Long report queries must not be cancelled by vacuum on the primary, yet replay keeps going so lag stays bounded.
hot_standby_feedback = on
EOF
    start_standby
    trap - ERR
    echo "host=$primary_sock port=$primary_port dbname=vorn_test user=postgres"
    echo "host=$standby_sock port=$standby_port dbname=vorn_test user=postgres"
    ;;
  stop)
    [ $# -eq 2 ] || usage
    if [ ! -e "$dir" ]; then exit 0; fi
    if [ ! -f "$marker" ]; then
      echo "$0: $dir was not made by $0 start; not removing it" >&2
      exit 1
    fi
    stop_server "$dir/standby"
    stop_server "$dir/primary"
    rm -rf -- "$dir"
    ;;
  halt-standby)
    [ $# -eq 2 ] || usage
    require_pair
    as_owner "$bin/pg_ctl" -D "$dir/standby" -m immediate -w stop >/dev/null
    ;;
  resume-standby)
    [ $# -eq 2 ] || usage
    require_pair
    start_standby
    ;;
  pause-replay)
    [ $# -eq 2 ] || usage
    require_pair
    query_standby 'SELECT pg_wal_replay_pause()' >/dev/null
    ;;
  resume-replay)
    [ $# -eq 2 ] || usage
    require_pair
    query_standby 'SELECT pg_wal_replay_resume()' >/dev/null
    ;;
  wait-replay)
    [ $# -le 3 ] || usage
    timeout=${3:-30}
    if ! [[ "$timeout" =~ ^[0-9]+$ ]]; then echo "$0: SECONDS must be a whole number: $timeout" >&2; exit 2; fi
    require_pair
    target=$(query_primary 'SELECT pg_current_wal_lsn()')
    now_ms() { echo $(($(date +%s%N) / 1000000)); }
    deadline=$(($(now_ms) + timeout * 1000))
    while :; do
      caught_up=$(query_standby "SELECT coalesce(pg_last_wal_replay_lsn() >= '$target'::pg_lsn, false)" 2>/dev/null || true)
      if [ "$caught_up" = t ]; then exit 0; fi
      if [ "$(now_ms)" -ge "$deadline" ]; then break; fi
      sleep 0.1
    done
    if replayed=$(query_standby 'SELECT pg_last_wal_replay_lsn(), pg_is_wal_replay_paused()' 2>/dev/null); then
      IFS='|' read -r lsn paused <<<"$replayed"
      note=""
      if [ "$paused" = t ]; then note=" (replay is paused)"; fi
      echo "$0: after ${timeout} s the standby has replayed up to ${lsn:-nothing}, the primary was at $target$note" >&2
    else
      echo "$0: after ${timeout} s the standby does not answer; the primary was at $target" >&2
    fi
    exit 1
    ;;
  *)
    usage
    ;;
esac
