#!/usr/bin/env bash
# The loopback authorization server (oauth_server.py) with the test certificates made into
# DIR/certs. Usage: oauth_server.sh start DIR PORT | oauth_server.sh stop DIR
set -euo pipefail
here=$(dirname "$0")
command=$1 dir=$(realpath -m "$2")
case $command in
start)
    port=$3
    [ -f "$dir/pid" ] && kill "$(cat "$dir/pid")" 2>/dev/null || true
    bash "$here/tls_certs.sh" "$dir/certs"
    python3 "$here/oauth_server.py" "$port" "$dir/certs" >"$dir/log" 2>&1 &
    echo $! > "$dir/pid"
    for _ in $(seq 50); do
        python3 - "$port" 2>/dev/null <<'PY' && exit 0
import socket, sys
socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=1).close()
PY
        sleep 0.1
    done
    echo "the authorization server did not start: $(cat "$dir/log")" >&2
    exit 1
    ;;
stop)
    [ -f "$dir/pid" ] && kill "$(cat "$dir/pid")" 2>/dev/null || true
    rm -f "$dir/pid"
    ;;
esac
