#!/usr/bin/env bash
# Sets up a fresh machine, builds both presets and runs every test: the native unit tests, then
# the Windows programs under Wine on a virtual display, then the packages (the .deb installed and
# removed, the Windows installer under Wine). Fails when any test fails.
set -euo pipefail
source "$(dirname "$0")/common.sh"
trap cleanup EXIT

install_packages
mkdir -p "$ROOT/build"
cd "$ROOT"

say "== native build and unit tests"
build_preset linux
run_tests linux -j2
say "== the mail thread's hand-over under ThreadSanitizer"
build_preset tsan
for program in mail_test net_test; do
    TSAN_OPTIONS="halt_on_error=1 abort_on_error=1" \
        logged "build/tsan-$program.log" "build/tsan/tests/$program" --gtest_brief=1
done
say "== benchmarks, one short pass to see that they run"
build/linux/bench/core_bench --benchmark_min_time=0.01 | tail -n 3
build/linux/bench/readline_bench --benchmark_min_time=0.01 | tail -n 5
build/linux/bench/decoding_bench --benchmark_min_time=0.01 | tail -n 9
build/linux/bench/qt_tick_bench --benchmark_min_time=0.01 2>/dev/null | tail -n 6

say "== fuzz targets, each briefly from its corpus"
bash scripts/fuzz.sh

say "== Windows build and tests under Wine"
build_preset win32
unset DISPLAY # the Windows tests always get a display of their own
start_display
init_wine
# The window's answer times under Wine depend on the Wine server and the display's load as much
# as on kestrel: a failed Wine test gets one more run, and fails only when it fails again.
run_tests win32 --repeat until-pass:2

say "== listing benchmark under Wine, once: kestrel against poplib on one Dovecot"
RUNS=3 bash bench/listing_bench.sh

say "== packages: the .deb checked, installed, started and removed; the installer under Wine"
bash scripts/package.sh >/dev/null
bash tests/packaging/deb_test.sh
bash tests/packaging/windows_installer_test.sh 2>&1 | tail -n 3
