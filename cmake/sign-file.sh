#!/bin/sh
# Signs a PE file or a Windows Installer package in place with Authenticode (SHA-256):
#   sign-file.sh <file> <osslsigncode> <PKCS#12 file> <signing time, seconds since 1970> [<timestamp URL>]
# The PKCS#12 file's password, if it has one, comes from TELLMARK_SIGNING_PASSWORD, handed over on standard
# input so that it never shows on a command line.
set -e
file=$1 osslsigncode=$2 certificate=$3 time=$4
shift 4
[ $# -eq 0 ] || set -- -ts "$1"
[ -z "${TELLMARK_SIGNING_PASSWORD+set}" ] || set -- "$@" -readpass -
rm -f "$file.signed"
printf '%s' "${TELLMARK_SIGNING_PASSWORD-}" |
    "$osslsigncode" sign -pkcs12 "$certificate" -h sha256 -n Tellmark -time "$time" "$@" \
                    -in "$file" -out "$file.signed" >/dev/null
mv "$file.signed" "$file"
