#!/usr/bin/env bash
# Listing 150 new messages: Python's poplib (login, STAT, TOP n 0 for each, QUIT), the mail
# engine natively without a window, and the real kestrel.exe under Wine (the mail mark clicked
# until the list is full), against one Dovecot on 127.0.0.5:110 in the same run; then kestrel
# again over TLS, against the same messages on 127.0.0.1:1995 with a test certificate for
# localhost, whose root the Wine prefix trusts for the run. The same messages over IMAP from the
# first Dovecot (port 143), through the mail engine natively and under Wine; and push through IMAP
# IDLE, a delivery into a Maildir until the mark and the notification, the median of ten. Needs
# the linux and win32 builds; run as root (ports 110 and 143). Prints the best of RUNS each, and
# the targets: kestrel.exe within poplib + 60 ms, the engine within half of poplib, the engine
# over IMAP within poplib, push within 2000 ms.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/scripts/common.sh"
trap 'bash "$ROOT/tests/support/dovecot.sh" stop "$DIR"
      bash "$ROOT/tests/support/dovecot.sh" stop "$DIR-tls"; cleanup' EXIT
COUNT=150 RUNS=${RUNS:-7} ADDRESS=127.0.0.5 IMAP_PORT=143 PUSH_RUNS=10 PUSH_TARGET=2000
DIR=$ROOT/build/dovecot_listing
# The clients are measured, not the server's login: Dovecot in its performance mode.
export DOVECOT_FAST_LOGIN=1
DOVECOT_BULK=$COUNT DOVECOT_IMAP_PORT=$IMAP_PORT \
    bash "$ROOT/tests/support/dovecot.sh" start "$DIR" 110 "$ADDRESS"
bash "$ROOT/tests/support/tls_certs.sh" "$DIR-certs"
chmod -R o+rX "$DIR-certs"
DOVECOT_BULK=$COUNT DOVECOT_TLS=$DIR-certs/good \
    bash "$ROOT/tests/support/dovecot.sh" start "$DIR-tls" 1995 127.0.0.1

poplib=$(python3 - "$ADDRESS" "$COUNT" "$RUNS" <<'PY'
import poplib, sys, time
host, count, runs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
times = []
for _ in range(runs):
    start = time.perf_counter()
    pop = poplib.POP3(host, 110, timeout=10)
    pop.user("dave"); pop.pass_("davepw")
    assert pop.stat()[0] == count
    for n in range(1, count + 1):
        pop.top(n, 0)
    pop.quit()
    times.append((time.perf_counter() - start) * 1000)
print(f"{min(times):.1f}")
PY
)
echo "poplib: $COUNT headers in $poplib ms (best of $RUNS)"
engine=$("$ROOT/build/linux/bench/mail_engine_bench" "$ADDRESS:110" dave davepw "$RUNS" |
             sed -n 's/^best //p')
echo "mail engine natively: $engine ms; target poplib / 2 = $(python3 -c "print(f'{$poplib / 2:.1f}')") ms"
imap="imap://$ADDRESS:$IMAP_PORT"
imap_engine=$("$ROOT/build/linux/bench/mail_engine_bench" "$imap" dave davepw "$RUNS" |
                  sed -n 's/^best //p')
echo "mail engine over IMAP natively: $imap_engine ms; target poplib = $poplib ms"
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

unset DISPLAY
start_display
init_wine
exe=$ROOT/build/win32/kestrel.exe
# The last list stays up for 2 s: a screenshot of it goes to build/listing.png.
out=$(wine "$ROOT/build/win32/bench/listing_bench.exe" "Z:${exe//\//\\}" "$ADDRESS" dave davepw \
          "$RUNS" 2000 | while read -r line; do
          line=${line%$'\r'}
          echo "$line"
          [ "$line" != shown ] || { sleep 0.5; import -window root "$ROOT/build/listing.png"; }
      done)
echo "$out" | grep -v -e '^shown$' -e '^tick'
wine_engine=$(wine "$ROOT/build/win32/bench/mail_engine_bench.exe" "$ADDRESS:110" dave davepw \
                  "$RUNS" | tr -d '\r' | sed -n 's/^best //p')
echo "mail engine under Wine, without a window: $wine_engine ms"
kestrel=$(echo "$out" | sed -n 's/^best //p')
target=$(python3 -c "print(f'{$poplib + 60:.1f}')")
echo "kestrel under Wine: $kestrel ms; target poplib + 60 = $target ms"
echo "$out" | grep '^tick' || true
wine_imap=$(wine "$ROOT/build/win32/bench/mail_engine_bench.exe" "$imap" dave davepw "$RUNS" |
                tr -d '\r' | sed -n 's/^best //p')
echo "mail engine over IMAP under Wine, without a window: $wine_imap ms; target poplib = $poplib ms"
wine_push=$(wine "$ROOT/build/win32/bench/push_bench.exe" "$imap" jack jackpw "Z:$maildir" \
                "$PUSH_RUNS" | push_times)
echo "push under Wine, delivery to mark and notification: $wine_push; target $PUSH_TARGET ms"

store=$ROOT/build/win32/tests/wine_root_store.exe
wine "$store" add "$DIR-certs/ca.pem"
tls=$(wine "$ROOT/build/win32/bench/listing_bench.exe" "Z:${exe//\//\\}" \
          "pop3s://localhost:1995" dave davepw "$RUNS" | tr -d '\r' | sed -n 's/^best //p')
wine "$store" remove "$DIR-certs/ca.pem"
echo "kestrel over TLS under Wine: $tls ms, plain $kestrel ms"
grep -o 'TLSv[0-9.]* with cipher [A-Z0-9_-]*' "$DIR-tls/dovecot.log" | sort | uniq -c || true
