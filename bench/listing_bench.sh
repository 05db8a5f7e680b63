#!/usr/bin/env bash
# Listing 150 new messages: Python's poplib (login, STAT, TOP n 0 for each, QUIT), the mail
# engine natively without a window, and the real kestrel.exe under Wine (the mail mark clicked
# until the list is full), against one Dovecot on 127.0.0.5:110 in the same run; then kestrel
# again over TLS, against the same messages on 127.0.0.1:1995 with a test certificate for
# localhost, whose root the Wine prefix trusts for the run. The same messages over IMAP from the
# first Dovecot (port 143): Python's imaplib asking what kestrel asks, and the mail engine natively
# and under Wine; and push through IMAP IDLE, a delivery into a Maildir until the mark and the
# notification, the median of ten. Needs the linux and win32 builds; run as root (ports 110 and
# 143; BENCH_ADDRESS, BENCH_POP3_PORT, BENCH_IMAP_PORT and BENCH_TLS_PORT move them). Prints the
# median of RUNS with every run, and the targets: kestrel.exe's median within poplib's and no run
# more than 20 % above its median, the engine within half of poplib, the engine over IMAP within
# imaplib natively and within poplib under Wine, push within 2000 ms, and the wake-ups a second
# with three IMAP accounts idling at most 0.5 above those with none.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/scripts/common.sh"
trap 'bash "$ROOT/tests/support/dovecot.sh" stop "$DIR"
      bash "$ROOT/tests/support/dovecot.sh" stop "$DIR-tls"; cleanup' EXIT
COUNT=150 RUNS=${RUNS:-7} PUSH_RUNS=10 PUSH_TARGET=2000
ADDRESS=${BENCH_ADDRESS:-127.0.0.5} POP3_PORT=${BENCH_POP3_PORT:-110}
IMAP_PORT=${BENCH_IMAP_PORT:-143} TLS_PORT=${BENCH_TLS_PORT:-1995}
DIR=$ROOT/build/dovecot_listing
# The clients are measured, not the server's login: Dovecot in its performance mode.
export DOVECOT_FAST_LOGIN=1
DOVECOT_BULK=$COUNT DOVECOT_IMAP_PORT=$IMAP_PORT \
    bash "$ROOT/tests/support/dovecot.sh" start "$DIR" "$POP3_PORT" "$ADDRESS"
bash "$ROOT/tests/support/tls_certs.sh" "$DIR-certs"
chmod -R o+rX "$DIR-certs"
DOVECOT_BULK=$COUNT DOVECOT_TLS=$DIR-certs/good \
    bash "$ROOT/tests/support/dovecot.sh" start "$DIR-tls" "$TLS_PORT" 127.0.0.1

# The "run N: … in T ms" lines of a program: their median, then each run.
runs() {
    tr -d '\r' | sed -n 's/^run [0-9]*: .* in \([0-9.]*\) ms.*/\1/p' |
        python3 -c 'import statistics, sys
t = [float(l) for l in sys.stdin]
print(f"{statistics.median(t):.1f}", *(f"{x:.1f}" for x in t))'
}
median() { echo "${1%% *}"; }
# "M ms (median of N; runs …)"
shown() { printf '%s ms (median of %s; runs %s)' "$(median "$1")" "$RUNS" "${1#* }"; }
# Whether runs ($1) keep their median within a limit ($2) and, with a share ($3), every run
# within that share above the median.
verdict() {
    python3 -c 'import sys
median, *runs = map(float, sys.argv[1].split())
limit, share = float(sys.argv[2]), float(sys.argv[3])
missed = [what for what, broken in (("the median", median > limit),
          (f"a run {share:.0%} above the median", share and max(runs) > median * (1 + share))) if broken]
print("missed: " + ", ".join(missed) if missed else "held")' "$1" "$2" "${3:-0}"
}

python_peer() { # poplib or imaplib
    python3 - "$1" "$ADDRESS" "$POP3_PORT" "$IMAP_PORT" "$COUNT" "$RUNS" <<'PY'
import imaplib, poplib, sys, time
peer, host, pop3_port, imap_port = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
count, runs = int(sys.argv[5]), int(sys.argv[6])
for run in range(runs):
    start = time.perf_counter()
    if peer == "poplib":
        pop = poplib.POP3(host, pop3_port, timeout=10)
        pop.user("dave"); pop.pass_("davepw")
        assert pop.stat()[0] == count
        for n in range(1, count + 1):
            pop.top(n, 0)
        pop.quit()
    else: # what kestrel asks: the unread ids, then their headers' listed fields in one fetch
        imap = imaplib.IMAP4(host, imap_port, timeout=10)
        imap.login("dave", "davepw")
        imap.select("INBOX", readonly=True)
        uids = imap.uid("SEARCH", "UNSEEN UNDELETED")[1][0].split()
        assert len(uids) == count
        answer = imap.uid("FETCH", b"%s:%s" % (uids[0], uids[-1]),
                          "(UID BODY.PEEK[HEADER.FIELDS (FROM SUBJECT MESSAGE-ID)])")[1]
        assert sum(isinstance(part, tuple) for part in answer) == count
        imap.logout()
    print(f"run {run + 1}: {count} headers in {(time.perf_counter() - start) * 1000:.1f} ms")
PY
}

poplib=$(python_peer poplib | runs)
echo "poplib: $COUNT headers in $(shown "$poplib")"
pop_median=$(median "$poplib")
engine=$("$ROOT/build/linux/bench/mail_engine_bench" "$ADDRESS:$POP3_PORT" dave davepw "$RUNS" | runs)
half=$(python3 -c "print(f'{$pop_median / 2:.1f}')")
echo "mail engine natively: $(shown "$engine"); target poplib / 2 = $half ms: $(verdict "$engine" "$half")"
imaplib=$(python_peer imaplib | runs)
echo "imaplib, the fields kestrel asks for: $(shown "$imaplib")"
imap="imap://$ADDRESS:$IMAP_PORT"
imap_engine=$("$ROOT/build/linux/bench/mail_engine_bench" "$imap" dave davepw "$RUNS" | runs)
echo "mail engine over IMAP natively: $(shown "$imap_engine"); target imaplib = $(median "$imaplib")" \
    "ms: $(verdict "$imap_engine" "$(median "$imaplib")")"
# jack's Maildir gets the deliveries; the bench writes into it as the server's delivery would.
# About 500 ms of each is Dovecot's own: a bare IDLE client hears of a delivery that late too.
maildir=$DIR/mail/jack/Maildir
# The median line of push_bench's output, then each run's time.
push_times() {
    local out
    out=$(tr -d '\r')
    printf '%s ms (median of %s; runs %s)' "$(echo "$out" | sed -n 's/^median //p')" "$PUSH_RUNS" \
        "$(echo "$out" | sed -n 's/^run [0-9]*: \([0-9.]*\) ms.*/\1/p' | paste -sd ' ')"
}
push=$("$ROOT/build/linux/bench/push_bench" "$imap" jack jackpw "$maildir" "$PUSH_RUNS" |
           push_times)
echo "push natively, delivery to mark and notification: $push; target $PUSH_TARGET ms"
wakeups=$("$ROOT/build/linux/bench/wakeup_bench" "$imap" jack jackpw "${WAKEUP_SECONDS:-60}")
echo "$wakeups, over ${WAKEUP_SECONDS:-60} s each; target at most 0.5 more with three"

unset DISPLAY
start_display
init_wine
exe=$ROOT/build/win32/kestrel.exe
# Wine starts its services with its first program and its desktop with the first window, for a
# second or two: one listing goes untimed before, so that they are not timed with kestrel's.
wine "$ROOT/build/win32/bench/listing_bench.exe" "Z:${exe//\//\\}" "$ADDRESS:$POP3_PORT" dave \
    davepw 1 >/dev/null
# The last list stays up for 2 s: a screenshot of it goes to build/listing.png.
out=$(wine "$ROOT/build/win32/bench/listing_bench.exe" "Z:${exe//\//\\}" "$ADDRESS:$POP3_PORT" \
          dave davepw "$RUNS" 2000 | while read -r line; do
          line=${line%$'\r'}
          echo "$line"
          [ "$line" != shown ] || { sleep 0.5; import -window root "$ROOT/build/listing.png"; }
      done)
wine_engine=$(wine "$ROOT/build/win32/bench/mail_engine_bench.exe" "$ADDRESS:$POP3_PORT" dave \
                  davepw "$RUNS" | runs)
echo "mail engine under Wine, without a window: $(shown "$wine_engine")"
kestrel=$(echo "$out" | runs)
echo "kestrel under Wine: $(shown "$kestrel"); target poplib = $pop_median ms, no run 20 % above" \
    "the median: $(verdict "$kestrel" "$pop_median" 0.2)"
echo "$out" | grep '^tick' || true
wine_imap=$(wine "$ROOT/build/win32/bench/mail_engine_bench.exe" "$imap" dave davepw "$RUNS" | runs)
echo "mail engine over IMAP under Wine, without a window: $(shown "$wine_imap"); target poplib =" \
    "$pop_median ms: $(verdict "$wine_imap" "$pop_median")"
wine_push=$(wine "$ROOT/build/win32/bench/push_bench.exe" "$imap" jack jackpw "Z:$maildir" \
                "$PUSH_RUNS" | push_times)
echo "push under Wine, delivery to mark and notification: $wine_push; target $PUSH_TARGET ms"

store=$ROOT/build/win32/tests/wine_root_store.exe
wine "$store" add "$DIR-certs/ca.pem"
tls=$(wine "$ROOT/build/win32/bench/listing_bench.exe" "Z:${exe//\//\\}" \
          "pop3s://localhost:$TLS_PORT" dave davepw "$RUNS" | runs)
wine "$store" remove "$DIR-certs/ca.pem"
echo "kestrel over TLS under Wine: $(shown "$tls"), plain $(median "$kestrel") ms"
grep -o 'TLSv[0-9.]* with cipher [A-Z0-9_-]*' "$DIR-tls/dovecot.log" | sort | uniq -c || true
