#!/usr/bin/env bash
# Sets up a fresh machine, builds kestrel.exe and starts it under Wine: on $DISPLAY when there is
# one (it runs until you end it), otherwise on a virtual display, where it is shown for a few
# seconds, photographed and ended. Extra arguments go to kestrel ("quiet", say).
# KESTREL_KEEP=1 keeps it running on the virtual display until you press Ctrl-C.
set -euo pipefail
source "$(dirname "$0")/common.sh"
trap cleanup EXIT

install_packages
mkdir -p "$ROOT/build/run"
cd "$ROOT"
build_preset win32 >/dev/null
start_display
init_wine

shot="$ROOT/build/screenshot.png"
cd "$ROOT/build/run" # kestrel.ini lives in the working directory
wine "$ROOT/build/win32/kestrel.exe" "$@" &
kestrel=$!
sleep 4
import -window root "$shot"
say "kestrel runs on display $DISPLAY; screenshot: $shot"
if [ "$VIRTUAL_DISPLAY" = no ] || [ "${KESTREL_KEEP:-0}" = 1 ]; then
    wait "$kestrel" || true
fi
