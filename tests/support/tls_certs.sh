#!/usr/bin/env bash
# Test certificates for the TLS tests, made with the openssl command into DIR:
#   ca.pem            the test root, which the tests trust
#   good.pem          localhost, signed by the root
#   wrongname.pem     another name, signed by the root
#   expired.pem       localhost, signed by the root, no longer valid
#   untrusted.pem     localhost, signed by a root nobody trusts
#   nochain.pem       localhost, signed by an intermediate, sent without it
# each with its key beside it (NAME.key). Usage: tls_certs.sh DIR
set -euo pipefail
dir=$1
mkdir -p "$dir"
cd "$dir"
quiet() { "$@" >/dev/null 2>&1; }
root() { # name, subject
    quiet openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" -days 3650 \
        -subj "/CN=$2" -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
}
leaf() { # name, DNS name, signer, days (-1: expired yesterday)
    local ext=$1.ext
    printf 'subjectAltName=DNS:%s\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' "$2" > "$ext"
    quiet openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=$2"
    quiet openssl x509 -req -in "$1.csr" -CA "$3.pem" -CAkey "$3.key" -CAcreateserial \
        -days "$4" -extfile "$ext" -out "$1.pem"
}
root ca "kestrel test root"
root stranger "a root nobody trusts"
quiet openssl req -newkey rsa:2048 -nodes -keyout intermediate.key -out intermediate.csr \
    -subj "/CN=kestrel test intermediate"
quiet openssl x509 -req -in intermediate.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 3650 \
    -extfile <(printf 'basicConstraints=critical,CA:TRUE\nkeyUsage=critical,keyCertSign\n') -out intermediate.pem
leaf good localhost ca 3650
leaf wrongname pop.example.org ca 3650
leaf expired localhost ca -1
leaf untrusted localhost stranger 3650
leaf nochain localhost intermediate 3650
