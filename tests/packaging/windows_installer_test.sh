#!/usr/bin/env bash
# kestrel's Windows installer under Wine, silently: installs with and without /AUTOSTART, checks
# the program, both shortcuts and the uninstall entry, starts kestrel from its shortcuts (it must
# keep kestrel.ini in the user's %APPDATA%\kestrel), then runs the registered uninstaller and
# checks that everything but the user's settings is gone.
# Needs a display and WINEPREFIX (scripts/common.sh: start_display, init_wine), the packages from
# scripts/windows_packages.sh and the win32 build's shortcut_probe.exe (built when missing).
# Argument: the setup program; by default build/packages/kestrel-VERSION-setup.exe.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$ROOT/scripts/version.sh"

step() { printf 'windows installer test: %s\n' "$*" >&2; }
fail() { printf 'windows installer test FAILED: %s\n' "$*" >&2; exit 1; }

version=$(kestrel_version)
setup=${1:-$ROOT/build/packages/kestrel-$version-setup.exe}
zip=${setup%-setup.exe}-win64.zip
probe=$ROOT/build/win32/tests/shortcut_probe.exe
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\kestrel'

[ -d "${WINEPREFIX:-}/drive_c" ] || fail "WINEPREFIX (${WINEPREFIX:-unset}) is no Wine prefix"
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY"
[ -f "$setup" ] || fail "no $setup (bash scripts/windows_packages.sh makes it)"
[ -f "$zip" ] || fail "no $zip beside the setup program"
if [ ! -f "$probe" ]; then
    (cd "$ROOT" && cmake --build --preset win32 --target shortcut_probe >/dev/null) ||
        fail "cannot build shortcut_probe"
fi
# Wine would also turn the Start-menu shortcut into a Linux menu entry, outside the prefix.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"

work=$(mktemp -d)
kestrel_pid=
finish() {
    # A kestrel this test started and did not see end.
    if [ -n "$kestrel_pid" ]; then wine "$probe" close "$kestrel_pid" >/dev/null 2>&1 || true; fi
    rm -rf "$work"
}
trap finish EXIT

# The user's folders in the prefix.
roaming="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming"
if [ ! -d "$roaming" ]; then
    found=()
    for d in "$WINEPREFIX"/drive_c/users/*/AppData/Roaming; do
        case $d in */users/Public/*) ;; *) [ -d "$d" ] && found+=("$d") ;; esac
    done
    [ ${#found[@]} -eq 1 ] || fail "no single user folder under $WINEPREFIX/drive_c/users"
    roaming=${found[0]}
fi
settings_dir="$roaming/kestrel"
ini="$settings_dir/kestrel.ini"
programs="$roaming/Microsoft/Windows/Start Menu/Programs"
menu_link="$programs/kestrel.lnk"
# Windows ignores case and Wine spells it StartUp.
startup_dir=$(find "$programs" -maxdepth 1 -type d -iname startup -print -quit 2>/dev/null)
startup_link="${startup_dir:-$programs/Startup}/kestrel.lnk"
program_dir="$WINEPREFIX/drive_c/Program Files/kestrel"

# The same file or folder, however each path spells it.
same_path() { [ "$(realpath -m "$1")" = "$(realpath -m "$2")" ]; }
unix_path() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }

# The uninstall entry's values as NAME=VALUE lines; fails when the key is missing.
registry_values() {
    wine reg query "$key" 2>/dev/null | tr -d '\r' |
        sed -n 's/^ \{1,\}\([A-Za-z]\{1,\}\) \{1,\}REG_[A-Z_]\{1,\} \{1,\}\(.*\)$/\1=\2/p' |
        grep . # no values: no key
}
value_of() { sed -n "s/^$1=//p" <<<"$values"; }

# The uninstaller copies itself away and returns at once: wait for its last step.
run_uninstaller() {
    local quiet=$1 command arguments
    case $quiet in
        \"*) command=${quiet#\"}; command=${command%%\"*}; arguments=${quiet#\"*\"} ;;
        *) command=${quiet%% *}; arguments=${quiet#"$command"} ;;
    esac
    # shellcheck disable=SC2086 # the registered arguments, split as a command line would be
    wine "$command" $arguments || fail "the uninstaller ($quiet) failed"
    for _ in $(seq 60); do
        if [ ! -e "$program_dir" ] && ! wine reg query "$key" >/dev/null 2>&1; then return 0; fi
        sleep 0.5
    done
    fail "the uninstaller has not finished after 30 s:" \
        "$(ls -A "$program_dir" 2>/dev/null) $(wine reg query "$key" >/dev/null 2>&1 && echo "$key")"
}

install() {
    step "wine setup.exe $*"
    wine "$setup" "$@" || fail "setup.exe $* ended with code $?"
}

# An earlier run that ended early leaves kestrel installed, and its autostart choice with it.
if values=$(registry_values); then
    step "kestrel is installed already: uninstalling it first"
    run_uninstaller "$(value_of QuietUninstallString)"
fi

install /S
[ -f "$program_dir/kestrel.exe" ] || fail "no kestrel.exe in $program_dir"
[ -f "$program_dir/uninstall.exe" ] || fail "no uninstall.exe in $program_dir"
[ -d "$settings_dir" ] || fail "the installer made no $settings_dir"
[ -f "$menu_link" ] || fail "no Start-menu shortcut $menu_link"
[ ! -e "$startup_link" ] || fail "a Startup shortcut without /AUTOSTART"

# What was installed is the program of the zip archive, which holds it alone.
listing=$(python3 - "$zip" <<'EOF'
import sys, zipfile
print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))
EOF
)
[ "$listing" = kestrel.exe ] || fail "the zip archive holds '$listing', not kestrel.exe alone"
python3 -m zipfile -e "$zip" "$work/zip"
cmp -s "$work/zip/kestrel.exe" "$program_dir/kestrel.exe" ||
    fail "the installed kestrel.exe differs from the zip archive's"

install /S /AUTOSTART
[ -f "$startup_link" ] || fail "no Startup shortcut after /AUTOSTART: $startup_link"
install /S
[ -f "$startup_link" ] || fail "a reinstall without /AUTOSTART dropped the Startup shortcut"
[ -f "$menu_link" ] || fail "a reinstall lost the Start-menu shortcut"

step "the uninstall entry"
values=$(registry_values) || fail "no registry key $key"
[ "$(value_of DisplayName)" = kestrel ] || fail "DisplayName: $(value_of DisplayName)"
[ "$(value_of DisplayVersion)" = "$version" ] ||
    fail "DisplayVersion $(value_of DisplayVersion), not $version"
[ -n "$(value_of Publisher)" ] || fail "no Publisher"
location=$(value_of InstallLocation)
same_path "$(unix_path "$location")" "$program_dir" ||
    fail "InstallLocation $location is not $program_dir"
[ "$(value_of UninstallString)" = "\"$location\\uninstall.exe\"" ] ||
    fail "UninstallString: $(value_of UninstallString)"
quiet=$(value_of QuietUninstallString)
[ "$quiet" = "\"$location\\uninstall.exe\" /S" ] || fail "QuietUninstallString: $quiet"
[ "$(value_of NoModify)" = 0x1 ] || fail "NoModify: $(value_of NoModify)"
[ "$(value_of NoRepair)" = 0x1 ] || fail "NoRepair: $(value_of NoRepair)"

# Both shortcuts start the installed program in the user's settings folder.
for link in "$menu_link" "$startup_link"; do
    wine "$probe" show "$link" >"$work/link" 2>"$work/err" ||
        fail "cannot read $link: $(cat "$work/err")"
    { read -r target; read -r directory; read -r arguments; } <"$work/link"
    same_path "$(unix_path "$target")" "$program_dir/kestrel.exe" ||
        fail "$link starts $target, not the installed kestrel.exe"
    same_path "$(unix_path "$directory")" "$settings_dir" ||
        fail "$link starts in '$directory', not in %APPDATA%\\kestrel ($settings_dir)"
    [ -z "$arguments" ] || fail "$link passes arguments: $arguments"
done

# Started as its Start-menu shortcut starts it, closed: kestrel.ini appears in that folder.
step "kestrel from the Start-menu shortcut"
touch "$work/before-start"
sleep 0.1
wine "$probe" start "$menu_link" >"$work/pid" 2>"$work/err" ||
    fail "kestrel from $menu_link: $(cat "$work/err")"
kestrel_pid=$(cat "$work/pid")
wine "$probe" close "$kestrel_pid" 2>"$work/err" || fail "closing kestrel: $(cat "$work/err")"
kestrel_pid=
if [ ! -s "$ini" ] || [ ! "$ini" -nt "$work/before-start" ]; then
    fail "kestrel wrote no kestrel.ini in $settings_dir"
fi
[ ! -e "$program_dir/kestrel.ini" ] || fail "kestrel.ini was written beside the program"

# Started from the Startup shortcut and left running: the uninstaller closes it, and it saves.
step "kestrel from the Startup shortcut, then the registered uninstaller"
wine "$probe" start "$startup_link" >"$work/pid" 2>"$work/err" ||
    fail "kestrel from $startup_link: $(cat "$work/err")"
kestrel_pid=$(cat "$work/pid")
(cd "$settings_dir" && ls -A) >"$work/settings-before"
touch "$work/before-uninstall"
sleep 0.1
run_uninstaller "$quiet"
wine "$probe" wait "$kestrel_pid" 2>"$work/err" ||
    fail "the uninstaller left kestrel running: $(cat "$work/err")"
kestrel_pid=
[ "$ini" -nt "$work/before-uninstall" ] || fail "kestrel, closed by the uninstaller, did not save"

[ ! -e "$program_dir" ] || fail "$program_dir is still there: $(ls -A "$program_dir")"
[ ! -e "$menu_link" ] || fail "the Start-menu shortcut is still there"
[ ! -e "$startup_link" ] || fail "the Startup shortcut is still there"
! wine reg query "$key" >/dev/null 2>&1 || fail "the registry key $key is still there"
[ -s "$ini" ] || fail "the uninstaller removed kestrel.ini"
while read -r name; do
    [ -e "$settings_dir/$name" ] || fail "the uninstaller removed $settings_dir/$name"
done <"$work/settings-before"

step "passed"
