#!/usr/bin/env bash
# A virtual display with a tray host on it, for the native program's end-to-end test: Xvfb on the
# first free display number from 140, trayer's panel at its top left. The display's name goes to
# DIR/display. Usage: xvfb_tray.sh start DIR | xvfb_tray.sh stop DIR
set -euo pipefail
command=$1 dir=$(realpath -m "$2")

stop() {
    for pidfile in "$dir/trayer.pid" "$dir/xvfb.pid"; do
        [ -f "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null || true
        rm -f "$pidfile"
    done
}

start() {
    stop
    mkdir -p "$dir"
    local n=140
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    export DISPLAY=":$n"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    trayer --edge top --align left --widthtype pixel --width 120 --heighttype pixel --height 24 \
        --transparent false >"$dir/trayer.log" 2>&1 &
    echo $! >"$dir/trayer.pid"
    # the tray is there once its selection has an owner
    for _ in $(seq 50); do
        xwininfo -root -tree 2>/dev/null | grep -q -i trayer && break
        sleep 0.1
    done
    echo "$DISPLAY" >"$dir/display"
}

case $command in
start) start ;;
stop) stop ;;
esac
