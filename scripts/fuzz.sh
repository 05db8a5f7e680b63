#!/usr/bin/env bash
# Builds the fuzz targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) and runs each for
# a short while from its corpus; fails when any target finds a crash, a leak or a slow input.
# FUZZ_SECONDS sets the time per target (20 by default). New inputs go to build/fuzz-corpus;
# an input that failed is kept in build/fuzz-found: add it to fuzz/corpus with the fix.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
seconds=${FUZZ_SECONDS:-20}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz-found
status=0
for name in line_reader pop3_session header decoding address settings announced imap_response imap_session \
    token_reply; do
    grown=build/fuzz-corpus/$name
    mkdir -p "$grown"
    # Values up to 128 KiB, each within 2 s: a parser that is not about linear runs out of time.
    if build/fuzz/fuzz/${name}_fuzz -max_total_time="$seconds" -timeout=2 -max_len=131072 \
        -rss_limit_mb=1024 -dict="fuzz/dict/$name.dict" -artifact_prefix=build/fuzz-found/ \
        -print_final_stats=1 "$grown" "fuzz/corpus/$name" >"build/fuzz-$name.log" 2>&1; then
        printf '%-14s %s\n' "$name" "$(grep -E '^stat::number_of_executed_units' "build/fuzz-$name.log")"
    else
        printf '%-14s FAILED, see build/fuzz-%s.log\n' "$name" "$name"
        grep -E 'ERROR|SUMMARY|runtime error' "build/fuzz-$name.log" | head -n 5 || true
        status=1
    fi
done
exit $status
