#!/usr/bin/env bash
# Makes kestrel's Windows packages from build/win32/kestrel.exe (built first when missing):
# build/packages/kestrel-VERSION-setup.exe (NSIS) and kestrel-VERSION-win64.zip (the bare
# program). Needs makensis (package nsis) and python3; no display, no Wine.
set -euo pipefail
source "$(dirname "$0")/common.sh"
source "$ROOT/scripts/version.sh"
cd "$ROOT"

exe=build/win32/kestrel.exe
if [ ! -f "$exe" ]; then
    say "building $exe"
    cmake --preset win32 >/dev/null
    cmake --build --preset win32 --target kestrel
fi
command -v makensis >/dev/null || { say "makensis is missing (apt-get install nsis)"; exit 1; }

version=$(kestrel_version)
# The file version has four numbers: 1.2 becomes 1.2.0.0.
fileversion=$version
while [ "$(tr -cd . <<<"$fileversion" | wc -c)" -lt 3 ]; do fileversion+=.0; done

out=build/packages
mkdir -p "$out"
setup="$out/kestrel-$version-setup.exe"
zip="$out/kestrel-$version-win64.zip"
rm -f "$setup" "$zip"

makensis -V2 -DVERSION="$version" -DFILEVERSION="$fileversion" -DEXE="$ROOT/$exe" \
    -DOUTFILE="$ROOT/$setup" "$ROOT/packaging/windows/kestrel.nsi" >&2

# The archive holds kestrel.exe alone, at its top.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$exe" "$stage/kestrel.exe"
(cd "$stage" && python3 -m zipfile -c "$ROOT/$zip" kestrel.exe)

say "made $setup and $zip"
