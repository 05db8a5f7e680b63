#!/usr/bin/env bash
# The Debian package as a user meets it: the validators and lintian pass on what it installs,
# apt-get installs it, kestrel starts from PATH and shows its window, the autostart switch works
# for a user, and the package goes again without leftovers. Needs root, a display ($DISPLAY) and
# build/packages/kestrel_*.deb (scripts/package.sh makes it).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
deb=$(ls "$ROOT"/build/packages/kestrel_*_amd64.deb | tail -n 1)
fail() { echo "deb_test: $*" >&2; exit 1; }

# lintian: no errors; the one warning kept is for a package that was never uploaded to Debian
lintian --fail-on error --suppress-tags initial-upload-closes-no-bugs "$deb" ||
    fail "lintian found errors"

apt-get install -y -q "$deb" >/dev/null || fail "apt-get install failed"
trap 'apt-get purge -y -q kestrel >/dev/null 2>&1 || true' EXIT
desktop-file-validate /usr/share/applications/kestrel.desktop || fail "desktop entry"
appstreamcli validate --no-net /usr/share/metainfo/*.metainfo.xml >/dev/null || fail "AppStream"
for size in 16 32 48 64 128; do
    [ "$(identify -format %w /usr/share/icons/hicolor/${size}x${size}/apps/kestrel.png)" = "$size" ] ||
        fail "icon $size"
done
man -l /usr/share/man/man1/kestrel.1.gz >/dev/null 2>&1 || fail "manual page"

# Started from PATH by a user with a home of their own, as the menu entry does.
home=$(mktemp -d)
trap 'apt-get purge -y -q kestrel >/dev/null 2>&1 || true; rm -rf "$home"' EXIT
[ "$(command -v kestrel)" = /usr/bin/kestrel ] || fail "kestrel is not on PATH"
HOME=$home XDG_CONFIG_HOME= XDG_RUNTIME_DIR= kestrel >"$home/out.log" 2>&1 &
pid=$!
window=
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^kestrel$' 2>/dev/null | head -n 1) || true
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { kill $pid; cat "$home/out.log"; fail "no window"; }
kill -TERM $pid
wait $pid || fail "kestrel ended with $? after SIGTERM"
[ -f "$home/.config/kestrel/kestrel.ini" ] || fail "no kestrel.ini at exit"

HOME=$home kestrel --autostart on >/dev/null || fail "autostart on"
grep -qx 'Exec=/usr/bin/kestrel' "$home/.config/autostart/kestrel.desktop" || fail "autostart entry"
desktop-file-validate "$home/.config/autostart/kestrel.desktop" || fail "autostart entry invalid"
HOME=$home kestrel --autostart off >/dev/null || fail "autostart off"
[ ! -e "$home/.config/autostart/kestrel.desktop" ] || fail "autostart entry left"

apt-get purge -y -q kestrel >/dev/null || fail "purge failed"
left=$(find /usr -path '*kestrel*' 2>/dev/null | grep -v -e "^$ROOT" || true)
[ -z "$left" ] || fail "left behind: $left"
echo "deb_test: $(basename "$deb") installs, starts, switches autostart, and goes cleanly"
