#!/usr/bin/env bash
# Runs a program under Wine on the e2e Dovecot's mailboxes as first filled: the tests delete and
# deliver mail, and a second attempt must not find what the first left.
# Usage: on_fresh_mailboxes.sh DOVECOT_DIR PROGRAM ARGUMENTS...
set -euo pipefail
bash "$(dirname "$0")/../support/dovecot.sh" restart "$1"
shift
exec wine "$@"
