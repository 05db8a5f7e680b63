# shellcheck shell=bash
# kestrel's version: project(... VERSION x.y.z) in the top-level CMakeLists.txt, 1.0.0 without
# one. Sourced, not run; needs ROOT.
kestrel_version() {
    local v
    # Comments out, then the whole file on one line: project() may span lines.
    v=$(sed 's/#.*//' "$ROOT/CMakeLists.txt" | tr '\n\t' '  ' |
        grep -oiE 'project[[:space:]]*\([^)]*\)' | head -n 1 |
        grep -oE 'VERSION[[:space:]]+"?[0-9]+(\.[0-9]+){0,3}' | grep -oE '[0-9]+(\.[0-9]+)*' || true)
    printf '%s\n' "${v:-1.0.0}"
}
