#!/usr/bin/env bash
# Runs a program under Wine in a prefix of its own at DPI dots per inch (LogPixels, read when Wine
# starts), so that the usual prefix stays at 96. Usage: at_dpi.sh DPI PREFIX PROGRAM ARGUMENTS...
set -euo pipefail
dpi=$1 prefix=$2
shift 2
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/logpixels-$dpi" ]; then
    wine wineboot -i >/dev/null 2>&1 || true
    for key in 'HKCU\Control Panel\Desktop' \
        'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
        wine reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
    done
    wineserver -w
    touch "$prefix/logpixels-$dpi"
fi
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine "$@"
