#!/usr/bin/env bash
# Runs a test program in a private D-Bus session whose GNOME Keyring is unlocked, its keyrings
# in a folder of its own. Usage: keyring_session.sh FOLDER PROGRAM [ARGUMENTS...]
set -euo pipefail
folder=$1
shift
rm -rf "$folder"
mkdir -p "$folder/data" "$folder/runtime"
chmod 700 "$folder/runtime"
export XDG_DATA_HOME="$folder/data" XDG_RUNTIME_DIR="$folder/runtime" HOME="$folder"
export KESTREL_KEYRING=1
exec dbus-run-session -- sh -c '
    printf %s test-password | gnome-keyring-daemon --unlock --components=secrets >/dev/null
    exec "$@"' keyring "$@"
