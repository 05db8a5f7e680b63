#!/usr/bin/env bash
# Builds the packages into build/packages/: the Debian package of the native program (CPack, from
# a build as a packager makes it: no tests, warnings as warnings), and, where the MinGW-w64 cross
# compiler and makensis are installed, the Windows installer and a zip of the bare kestrel.exe.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$ROOT"
mkdir -p build/packages
# The cache is told there is no GoogleTest and no Google Benchmark: the program needs neither.
cmake --preset package --no-warn-unused-cli -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >/dev/null
cmake --build --preset package >/dev/null
(cd build/package && cpack >/dev/null)
cp build/package/cpack/kestrel_*.deb build/packages/
if [ -f scripts/windows_packages.sh ] && command -v makensis >/dev/null &&
    command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
    bash scripts/windows_packages.sh
fi
ls build/packages
