#!/usr/bin/env bash
# Sets up a fresh machine, builds kestrel and starts it: the native Linux program by default,
# kestrel.exe under Wine with --wine. On $DISPLAY when there is one (it runs until you end it);
# otherwise on a virtual display with a tray host, where it is shown for a few seconds,
# photographed and ended. Further arguments go to kestrel ("quiet", say).
# KESTREL_KEEP=1 keeps it running on the virtual display until you press Ctrl-C.
set -euo pipefail
source "$(dirname "$0")/common.sh"
trap cleanup EXIT

wine=no
if [ "${1:-}" = --wine ]; then wine=yes; shift; fi

install_packages
mkdir -p "$ROOT/build/run"
cd "$ROOT"
if [ "$wine" = yes ]; then
    build_preset win32 >/dev/null
else
    cmake --preset linux >/dev/null
    cmake --build --preset linux --target kestrel >/dev/null
fi
start_display
if [ "$VIRTUAL_DISPLAY" = yes ] && [ "$wine" = no ]; then start_tray; fi

shot="$ROOT/build/screenshot.png"
if [ "$wine" = yes ]; then
    init_wine
    cd "$ROOT/build/run" # kestrel.ini lives in the working directory
    wine "$ROOT/build/win32/kestrel.exe" "$@" &
else
    # kestrel.ini lives in $XDG_CONFIG_HOME/kestrel (~/.config/kestrel)
    "$ROOT/build/linux/kestrel" "$@" &
fi
kestrel=$!
sleep 4
import -window root "$shot"
say "kestrel runs on display $DISPLAY; screenshot: $shot"
if [ "$VIRTUAL_DISPLAY" = no ] || [ "${KESTREL_KEEP:-0}" = 1 ]; then
    wait "$kestrel" || true
else
    kill -TERM "$kestrel" 2>/dev/null || true # it saves its settings as at a logout
    wait "$kestrel" 2>/dev/null || true
fi
