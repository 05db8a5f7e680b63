#!/usr/bin/env bash
# Dovecot over TLS for the TLS tests: the test certificates made into DIR/certs, then one server
# per certificate on 127.0.0.1, from port BASE on: good, wrongname, expired, untrusted, nochain.
# Usage: dovecot_tls.sh start DIR BASE | dovecot_tls.sh stop DIR
set -euo pipefail
here=$(dirname "$0")
command=$1 dir=$(realpath -m "$2")
names=(good wrongname expired untrusted nochain)
case $command in
start)
    base=$3
    bash "$here/tls_certs.sh" "$dir/certs"
    chmod -R o+rX "$dir/certs"
    for i in "${!names[@]}"; do
        DOVECOT_TLS=$dir/certs/${names[$i]} bash "$here/dovecot.sh" start "$dir/${names[$i]}" \
            $((base + i)) 127.0.0.1
    done
    ;;
stop)
    for name in "${names[@]}"; do bash "$here/dovecot.sh" stop "$dir/$name"; done
    ;;
esac
