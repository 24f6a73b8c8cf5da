#!/bin/sh
# Signs a PE file or a Windows Installer package in place with Authenticode (SHA-256):
#   sign-file.sh <file> <osslsigncode> <openssl> <PKCS#12 file> <signing time, seconds since 1970>
#                [<timestamp URL>]
# The PKCS#12 file's password, if it has one, comes from TELLMARK_SIGNING_PASSWORD, handed over on standard
# input or through the environment so that it never shows on a command line. Only a certificate for code signing signs; when the file
# carries the certificate's chain, the signature is verified against it. Whatever fails, one line says why
# and the file is removed, never left unsigned among signed ones (the next build makes it anew).
set -e
file=$1 osslsigncode=$2 openssl=$3 certificate=$4 time=$5
shift 5
[ $# -eq 0 ] || set -- -ts "$1"
passin=pass:
if [ -n "${TELLMARK_SIGNING_PASSWORD+set}" ]; then
    set -- "$@" -readpass -
    passin=env:TELLMARK_SIGNING_PASSWORD
fi
work=$file.signing
rm -rf "$work"
mkdir "$work"
trap 'rm -rf "$work"' EXIT
fail() {
    rm -f "$file"
    echo "Not signed: $file: $1" >&2
    exit 1
}

[ -r "$certificate" ] || fail "$certificate cannot be read"
certificates() { "$openssl" pkcs12 -in "$certificate" -passin "$passin" -nokeys "$@" 2>/dev/null; }
{ certificates -clcerts -out "$work/signer.pem" && certificates -cacerts -out "$work/chain.pem"; } ||
    fail "$certificate cannot be opened (wrong TELLMARK_SIGNING_PASSWORD?)"
"$openssl" x509 -in "$work/signer.pem" -noout -ext extendedKeyUsage 2>/dev/null | grep -q "Code Signing" ||
    fail "$certificate is not a code-signing certificate (extended key usage)"

printf '%s' "${TELLMARK_SIGNING_PASSWORD-}" |
    "$osslsigncode" sign -pkcs12 "$certificate" -h sha256 -n Tellmark -time "$time" "$@" -in "$file" \
                    -out "$work/signed" >/dev/null 2>&1 || fail "osslsigncode cannot sign it"
if grep -q "BEGIN CERTIFICATE" "$work/chain.pem"; then
    # Against the chain alone: a timestamp's own chain and revocation lists are not the build's to check.
    "$osslsigncode" verify -CAfile "$work/chain.pem" -ignore-timestamp -ignore-cdp -in "$work/signed" \
                    >"$work/verify.log" 2>&1 ||
        fail "the signature does not verify against the certificate's chain"
fi
mv "$work/signed" "$file"
