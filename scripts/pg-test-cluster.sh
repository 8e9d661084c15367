#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests: `start DIR PORT` makes a new one in DIR that
# listens on a Unix socket in DIR and on 127.0.0.1 and 127.0.0.2 (a computer that is not this
# one by name) at PORT, `stop DIR` stops it and removes DIR. `halt DIR` stops the server and
# keeps the cluster, `resume DIR PORT` starts it again: a server going away under its clients.
# PostgreSQL refuses to run as root, so under root the cluster runs as nobody.
#
# The superuser kvt_admin connects over the socket without a password; over TCP every role needs
# its password (scram-sha-256), as on a station's server. Two login roles stand for the
# workplaces and the console: kvt_workplace (password "workplace") and kvt_console (password
# "console"); the tests grant them their rights on each station database they make.
set -euo pipefail

usage() {
    echo "usage: $0 start DIR PORT | stop DIR | halt DIR | resume DIR PORT" >&2
    exit 2
}

bindir() {
    local dir
    dir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
    [ -n "$dir" ] || { echo "PostgreSQL server not installed (scripts/deps.sh installs it)" >&2; exit 1; }
    echo "$dir"
}

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"
    else
        "$@"
    fi
}

halt_server() {
    local dir=$1 bin
    bin=$(bindir)
    if [ -f "$dir/data/postmaster.pid" ]; then
        as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 ||
            as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
}

start_server() {
    local dir=$1 port=$2 bin
    bin=$(bindir)
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
        -o "-k $dir -p $port -c listen_addresses=127.0.0.1,127.0.0.2 -c fsync=off -c max_connections=200" \
        start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
}

stop_cluster() {
    halt_server "$1"
    rm -rf "$1"
}

start_cluster() {
    local dir=$1 port=$2 bin
    bin=$(bindir)
    # What a killed run left behind would hold the port.
    stop_cluster "$dir"
    mkdir -p "$dir"
    [ "$(id -u)" -ne 0 ] || chown nobody:nogroup "$dir"
    as_owner "$bin/initdb" -D "$dir/data" -U kvt_admin --auth-local=trust \
        --auth-host=scram-sha-256 -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
        { cat "$dir/initdb.log" >&2; exit 1; }
    echo "host all all 127.0.0.0/8 scram-sha-256" >>"$dir/data/pg_hba.conf"
    start_server "$dir" "$port"
    "$bin/psql" -q -v ON_ERROR_STOP=1 -h "$dir" -p "$port" -U kvt_admin -d postgres <<'SQL'
CREATE ROLE kvt_workplace LOGIN PASSWORD 'workplace';
CREATE ROLE kvt_console LOGIN PASSWORD 'console';
SQL
}

case "${1:-}" in
    start) [ $# -eq 3 ] || usage; start_cluster "$2" "$3" ;;
    stop) [ $# -eq 2 ] || usage; stop_cluster "$2" ;;
    halt) [ $# -eq 2 ] || usage; halt_server "$2" ;;
    resume) [ $# -eq 3 ] || usage; start_server "$2" "$3" ;;
    *) usage ;;
esac
