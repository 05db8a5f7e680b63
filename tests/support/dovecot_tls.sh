#!/usr/bin/env bash
# Dovecot over TLS for the TLS tests: the test certificates made into DIR/certs, then one server
# per certificate on 127.0.0.1, from port BASE on: good, wrongname, expired, untrusted, nochain;
# then tls10, with the good certificate but no TLS version other than 1.0. Beside them
# DIR/client.cnf, an OpenSSL configuration that allows TLS 1.0 again, as a system's might: the
# native client runs with it, so that only its own minimum keeps it from TLS 1.0.
# DOVECOT_TLS_IMAP_PORT=N gives the good server IMAP over TLS on port N as well. The good server
# also takes STARTTLS: POP3 on port BASE+30, IMAP on BASE+31 (gail's and jack's mailboxes are
# the STARTTLS tests' to change; carol's the end-to-end test's). It takes sign-in tokens too,
# judged by an introspection endpoint on port BASE+40.
# Usage: dovecot_tls.sh start DIR BASE | dovecot_tls.sh stop DIR
set -euo pipefail
here=$(dirname "$0")
command=$1 dir=$(realpath -m "$2")
names=(good wrongname expired untrusted nochain tls10)
case $command in
start)
    base=$3
    bash "$here/tls_certs.sh" "$dir/certs"
    chmod -R o+rX "$dir/certs"
    printf '%s\n' 'openssl_conf = init' '[init]' 'ssl_conf = ssl' '[ssl]' 'system_default = old' \
        '[old]' 'MinProtocol = TLSv1' 'CipherString = DEFAULT:@SECLEVEL=0' > "$dir/client.cnf"
    for i in "${!names[@]}"; do
        certificate=${names[$i]} only=
        [ "$certificate" = tls10 ] && certificate=good only=TLSv1
        imap= starttls= oauth=
        [ "${names[$i]}" = good ] && imap=${DOVECOT_TLS_IMAP_PORT:-} starttls=$((base + 30)) \
            oauth=$((base + 40))
        DOVECOT_TLS=$dir/certs/$certificate DOVECOT_TLS_ONLY=$only DOVECOT_IMAP_PORT=$imap \
            DOVECOT_STARTTLS_PORT=$starttls DOVECOT_OAUTH_PORT=$oauth \
            bash "$here/dovecot.sh" start "$dir/${names[$i]}" $((base + i)) 127.0.0.1
    done
    ;;
stop)
    for name in "${names[@]}"; do bash "$here/dovecot.sh" stop "$dir/$name"; done
    ;;
esac
