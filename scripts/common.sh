# Set-up shared by run.sh and test.sh: packages, the build, a display and a Wine prefix.
# Sourced, not run. Everything started here is ended by cleanup, which the callers trap on EXIT.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PACKAGES=(cmake ninja-build g++ googletest libgtest-dev libgmock-dev libbenchmark-dev python3
          g++-mingw-w64-x86-64-posix wine wine64 xvfb imagemagick fonts-liberation x11-utils
          fonts-noto-cjk fonts-noto-color-emoji
          dovecot-pop3d dovecot-imapd iproute2 clang libclang-rt-14-dev libssl-dev openssl qt6-base-dev qtkeychain-qt6-dev nlohmann-json3-dev
          libx11-dev trayer xdotool gnome-keyring dbus-bin desktop-file-utils appstream lintian dpkg-dev file man-db
          dbus-daemon
          nsis)
XVFB_PID=
TRAYER_PID=

say() { printf '%s\n' "$*" >&2; }

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "installing: ${missing[*]}"
    local sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -q >/dev/null
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends \
        "${missing[@]}" >/dev/null
}

build_preset() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}

# Runs a command with its output in LOG: the output's end on success, and on failure the failing
# tests' own words last, where a truncated CI log still shows them. Usage: logged LOG COMMAND...
logged() {
    local log=$1
    shift
    if "$@" >"$log" 2>&1; then
        tail -n 3 "$log"
        return 0
    fi
    grep -E -B3 -A12 'Failure|FAILED|Failed|Timeout|Exception|WARNING: ThreadSanitizer' "$log" |
        tail -n 150
    tail -n 12 "$log"
    return 1
}

# A preset's tests, into build/PRESET-tests.log.
run_tests() {
    local preset=$1
    shift
    logged "$ROOT/build/$preset-tests.log" ctest --preset "$preset" --output-on-failure "$@"
}

# Uses $DISPLAY when it answers; otherwise starts Xvfb on a free display number.
start_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        VIRTUAL_DISPLAY=no
        return 0
    fi
    local n=99
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    export DISPLAY=":$n"
    Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >"$ROOT/build/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    VIRTUAL_DISPLAY=yes
}

# A tray host on the virtual display, for the native program's icons: trayer's panel at the top
# left (a QSystemTrayIcon docks into its first 22 x 22 slot).
start_tray() {
    trayer --edge top --align left --widthtype pixel --width 120 --heighttype pixel --height 24 \
        --transparent false >"$ROOT/build/trayer.log" 2>&1 &
    TRAYER_PID=$!
    sleep 0.5
}

# One prefix per checkout, made once.
init_wine() {
    export WINEPREFIX="$ROOT/build/wineprefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        say "making the Wine prefix (once)"
        wine wineboot -i >"$ROOT/build/wineboot.log" 2>&1 || true
        wineserver -w
    fi
}

cleanup() {
    if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
    if [ -n "$TRAYER_PID" ]; then kill "$TRAYER_PID" 2>/dev/null || true; fi
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
}
