#!/usr/bin/env bash
# A throw-away Dovecot POP3 server on loopback for the tests, with three users and mailboxes the
# script fills itself. Usage: dovecot.sh start DIR PORT ADDRESS... | dovecot.sh stop DIR
# DOVECOT_BULK=N adds the user dave with N messages of realistic headers, for benchmarks.
# DOVECOT_FAST_LOGIN=1 keeps the login and mail processes running between connections (Dovecot's
# performance mode, as busy servers run it): otherwise every connection waits about 9 ms for a
# new login process and the authentication, which any client pays alike.
# DOVECOT_IMAP_PORT=N adds Dovecot's IMAP server on port N (over TLS with DOVECOT_TLS), with the
# users hank (three unread messages and one read), ivy and jack, whose mailboxes the IMAP tests
# change.
# DOVECOT_TLS=CERT (a path without .pem) makes the port speak POP3 over TLS only, with the
# certificate CERT.pem and its key CERT.key; DOVECOT_STARTTLS_PORT=N adds plain ports that take
# a login only after STARTTLS, POP3 on N, IMAP on N+1. DOVECOT_TLS_ONLY=VERSION (TLSv1, …) makes it speak
# that TLS version and no other. DOVECOT_OAUTH_PORT=N adds the XOAUTH2 and OAUTHBEARER logins,
# whose tokens an introspection endpoint on 127.0.0.1:N (introspect.py, started here) judges.
# dovecot.sh restart DIR starts it again as it was started, every mailbox as it was first filled.
set -euo pipefail
command=$1 dir=$(realpath -m "$2")

stop() {
    if [ -f "$dir/introspect.pid" ]; then kill "$(cat "$dir/introspect.pid")" 2>/dev/null || true; fi
    [ -f "$dir/run/master.pid" ] || return 0
    kill -TERM "$(cat "$dir/run/master.pid")" 2>/dev/null || true
    for _ in $(seq 40); do [ -f "$dir/run/master.pid" ] && kill -0 "$(cat "$dir/run/master.pid")" 2>/dev/null || return 0; sleep 0.1; done
}

message() { # file, then the header and body lines
    local file=$1; shift
    printf '%s\r\n' "$@" > "$file"
}

tls_settings() {
    if [ -n "${DOVECOT_TLS:-}" ]; then
        printf 'ssl = required\nssl_cert = <%s.pem\nssl_key = <%s.key\n' "$DOVECOT_TLS" "$DOVECOT_TLS"
        # the log names the TLS version and cipher of each login
        echo 'login_log_format_elements = user=<%u> method=%m rip=%r lip=%l mpid=%e %c %k'
        only_version
    else
        echo 'ssl = no'
    fi
}

# Dovecot has no highest version of its own: OpenSSL's configuration, in its environment, caps
# it. OpenSSL 3 refuses versions below TLS 1.2 at its default security level.
only_version() {
    [ -n "${DOVECOT_TLS_ONLY:-}" ] || return 0
    printf '%s\n' 'openssl_conf = init' '[init]' 'ssl_conf = ssl' '[ssl]' 'system_default = only' \
        '[only]' "MinProtocol = $DOVECOT_TLS_ONLY" "MaxProtocol = $DOVECOT_TLS_ONLY" \
        'CipherString = DEFAULT:@SECLEVEL=0' > "$dir/openssl.cnf"
    chmod o+r "$dir/openssl.cnf"
    printf 'ssl_min_protocol = %s\nssl_cipher_list = DEFAULT:@SECLEVEL=0\n' "$DOVECOT_TLS_ONLY"
    echo "import_environment = \$import_environment OPENSSL_CONF=$dir/openssl.cnf"
}

mechanisms() {
    if [ -n "${DOVECOT_OAUTH_PORT:-}" ]; then echo 'plain xoauth2 oauthbearer'; else echo plain; fi
}

oauth_passdb() {
    [ -n "${DOVECOT_OAUTH_PORT:-}" ] || return 0
    printf '%s\n' 'introspection_mode = post' \
        "introspection_url = http://127.0.0.1:$DOVECOT_OAUTH_PORT/introspect" \
        'username_attribute = username' 'active_attribute = active' 'active_value = true' \
        'force_introspection = yes' > "$dir/oauth2.conf.ext"
    printf 'passdb {\n  driver = oauth2\n  mechanisms = xoauth2 oauthbearer\n  args = %s\n}\n' \
        "$dir/oauth2.conf.ext"
    # no growing pause after the refused tokens the tests send on purpose, one after another
    printf 'service anvil {\n  unix_listener anvil-auth-penalty {\n    mode = 0\n  }\n}\n'
    python3 "$(dirname "$0")/introspect.py" "$DOVECOT_OAUTH_PORT" </dev/null >/dev/null 2>&1 &
    echo $! > "$dir/introspect.pid"
}

login_processes() {
    [ -n "${DOVECOT_FAST_LOGIN:-}" ] || return 0
    printf '  service_count = 0\n  process_min_avail = 1\n  process_limit = 10\n'
}

mail_processes() {
    [ -n "${DOVECOT_FAST_LOGIN:-}" ] || return 0
    printf 'service pop3 {\n  service_count = 0\n  process_min_avail = 1\n  process_limit = 10\n}\n'
    printf 'service imap {\n  process_min_avail = 1\n  process_limit = 10\n}\n'
}

protocols() {
    if [ -n "${DOVECOT_IMAP_PORT:-}" ]; then echo 'pop3 imap'; else echo pop3; fi
}

imap_service() {
    [ -n "${DOVECOT_IMAP_PORT:-}" ] || return 0
    local plain=$DOVECOT_IMAP_PORT secure=0
    [ -n "${DOVECOT_TLS:-}" ] && plain=$((${DOVECOT_STARTTLS_PORT:--1} + 1)) secure=$DOVECOT_IMAP_PORT
    printf 'service imap-login {\n  inet_listener imap {\n    port = %s\n  }\n' "$plain"
    printf '  inet_listener imaps {\n    port = %s\n    ssl = yes\n  }\n%s\n}\n' "$secure" "$(login_processes)"
}

imap_mailboxes() { # the messages of alice, as hank's, ivy's and jack's
    local new=$dir/mail/alice/Maildir/new user
    for user in hank ivy jack; do cp "$new"/* "$dir/mail/$user/Maildir/new/"; done
    # hank read one message already: Maildir keeps the flag in its name
    message "$dir/mail/hank/Maildir/cur/1000000000.M0.kestrel:2,S" "From: read@example.org" \
        "To: hank@example.org" "Subject: Read before" "Message-Id: <zero@example.org>" "" "Read."
}

listener() { # port
    if [ -n "${DOVECOT_TLS:-}" ]; then
        printf '  inet_listener pop3 {\n    port = %s\n  }\n  inet_listener pop3s {\n    port = %s\n    ssl = yes\n  }\n' "${DOVECOT_STARTTLS_PORT:-0}" "$1"
    else
        printf '  inet_listener pop3 {\n    port = %s\n  }\n' "$1"
    fi
}

# What this start was given, for a restart: its arguments and the DOVECOT_ settings.
remember() {
    mkdir -p "$dir"
    { printf 'arguments=(%s)\n' "$(printf '%q ' "$@")"
      for setting in $(compgen -v DOVECOT_); do declare -p "$setting"; done; } > "$dir/started-with"
}

listening() { # address port
    [ -n "$(ss -Hltn "src $1:$2")" ]
}

start() {
    local port=$1; shift
    local addresses=("$@")
    stop
    rm -rf "$dir"
    remember "$port" "${addresses[@]}"
    for user in alice bob carol dave erin fay gail hank ivy jack kim lee иван; do mkdir -p "$dir"/{run,state,mail/$user/Maildir/{new,cur,tmp}}; done
    local d=$dir
    while [ "$d" != / ]; do chmod o+x "$d"; d=$(dirname "$d"); done
    printf 'alice:{PLAIN}alicepw\nbob:{PLAIN}bobpw\ncarol:{PLAIN}carolpw\ndave:{PLAIN}davepw\nerin:{PLAIN}erinpw\nfay:{PLAIN}faypw\ngail:{PLAIN}gailpw\nhank:{PLAIN}hankpw\nivy:{PLAIN}ivypw\njack:{PLAIN}jackpw\nkim:{PLAIN}kimpw\nlee:{PLAIN}leepw\nиван:{PLAIN}пароль\n' > "$dir/users"
    local new=$dir/mail/alice/Maildir/new
    message "$new/1000000001.M1.kestrel" "From: plain@example.org" "To: alice@example.org" \
        "Subject: Plain message" "Message-Id: <one@example.org>" "" "Body one."
    message "$new/1000000002.M2.kestrel" \
        "From: \"M=?ISO-8859-1?Q?=FC?=ller, J=?ISO-8859-1?Q?=F6?=rg\" <joerg@example.org>" \
        "To: alice@example.org" "Subject: =?ISO-8859-1?Q?Gr=FC=DFe_aus_K=F6ln?=" \
        "Message-Id: <two@example.org>" "" "Body two."
    message "$new/1000000003.M3.kestrel" "From: Folded Sender <folded@example.org>" \
        "To: alice@example.org" "Subject: A subject that goes on" $'\tand on' \
        "Message-Id: <three@example.org>" "" "Body three."
    # fay's one message has UTF-8 words, folded, a character split between two of them
    message "$dir/mail/fay/Maildir/new/1000000004.M4.kestrel" \
        "From: =?UTF-8?Q?J=C3=BCrgen_M=C3=BCller?= <juergen@example.org>" "To: fay@example.org" \
        "Subject: =?UTF-8?B?R3LDvMOfZSBhdXMgS8O2bG4g4oI=?=" $'\t=?utf-8?q?=AC?=' \
        "Message-Id: <four@example.org>" "" "Body four."
    # bob's, carol's and erin's mailboxes are the ones the deletion tests change (erin's: the
    # native front end's)
    cp "$new/1000000001.M1.kestrel" "$new/1000000003.M3.kestrel" "$dir/mail/bob/Maildir/new/"
    cp "$new"/* "$dir/mail/carol/Maildir/new/"
    cp "$new"/* "$dir/mail/erin/Maildir/new/"
    # gail's the mail engine's tests change behind its back, as another client would
    cp "$new"/* "$dir/mail/gail/Maildir/new/"
    # kim's (POP3) and lee's (IMAP) get mail delivered while kestrel is stopped
    cp "$new"/* "$dir/mail/kim/Maildir/new/"
    cp "$new"/* "$dir/mail/lee/Maildir/new/"
    imap_mailboxes
    local n
    for n in $(seq "${DOVECOT_BULK:-0}"); do
        message "$dir/mail/dave/Maildir/new/$((2000000000 + n)).M$n.kestrel" \
            "Received: from mx$n.example.net (mx$n.example.net [192.0.2.$((n % 250))]) by mail.example.org" \
            "  with ESMTPS id $n for <dave@example.org>; Mon, 7 Dec 2026 10:00:00 +0100" \
            "From: =?ISO-8859-1?Q?J=FCrgen_M=FCller_$n?= <juergen.$n@example.net>" \
            "To: Dave <dave@example.org>" "Subject: =?UTF-8?B?R3LDvMOfZSBhdXMgTcO8bmNoZW4=?= $n" \
            "Date: Mon, 7 Dec 2026 10:$((n % 60)):00 +0100" "Message-Id: <$n.bulk@example.net>" \
            "MIME-Version: 1.0" "Content-Type: text/plain; charset=UTF-8" "" "Body $n."
    done
    chown -R 65534:65534 "$dir/mail"
    local nobody
    nobody=$(id -g nobody)
    cat > "$dir/dovecot.conf" <<CONF
protocols = $(protocols)
listen = $(IFS=,; echo "${addresses[*]}")
base_dir = $dir/run
state_dir = $dir/state
log_path = $dir/dovecot.log
$(tls_settings)
disable_plaintext_auth = no
# any character in a user name: иван's, whose mailbox the tests of many scripts fill
auth_username_chars =
auth_mechanisms = $(mechanisms)
auth_failure_delay = 0
default_internal_user = dovecot
default_internal_group = dovecot
default_login_user = dovenull
first_valid_uid = 1
first_valid_gid = 1
mail_location = maildir:~/Maildir
$(oauth_passdb)
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u $dir/users
}
userdb {
  driver = static
  args = uid=65534 gid=$nobody home=$dir/mail/%u
}
service pop3-login {
$(listener "$port")
$(login_processes)
}
$(imap_service)
$(mail_processes)
CONF
    # A stopped instance's login processes may hold the port a moment longer than its master.
    for _ in $(seq 100); do listening "${addresses[0]}" "$port" || break; sleep 0.05; done
    # Its own output goes to its log: a daemon holding ours open would keep the caller waiting.
    dovecot -c "$dir/dovecot.conf" </dev/null >/dev/null 2>&1
    for _ in $(seq 100); do
        listening "${addresses[0]}" "$port" && return 0
        sleep 0.05
    done
    echo "dovecot did not start; see $dir/dovecot.log" >&2
    return 1
}

case $command in
start) shift 2; start "$@" ;;
stop) stop ;;
restart) source "$dir/started-with"; start "${arguments[@]}" ;;
esac
