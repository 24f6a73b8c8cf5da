#!/bin/sh
# Builds the deliverables and the package once more, from scratch and signed with a throw-away certificate:
#   build-signed-release.sh <source folder> <build folder> <cmake> [<extended key usage> <target>]
# A fresh certificate authority (certificates/ca.crt in the build folder) issues the code-signing certificate
# (certificates/signing.p12) that the build signs with; the tests verify the signatures against it. Given a
# usage other than code signing, the certificate has that one instead, and the build of the target must stop
# with one line that says why, leaving no file of the target.
set -e
source=$1 build=$2 cmake=$3 usage=${4:-codeSigning} target=${5-}
certificates=$build/certificates
rm -rf "$build"
mkdir -p "$certificates"
cd "$certificates"
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -days 2 -subj "/CN=Tellmark Test CA" \
        -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signing.key -out signing.csr -subj "/CN=Tellmark Test Signing" \
        2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=%s\n' \
       "$usage" >signing.ext
openssl x509 -req -in signing.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 -extfile signing.ext \
        -out signing.crt 2>/dev/null
export TELLMARK_SIGNING_PASSWORD=throw-away
openssl pkcs12 -export -inkey signing.key -in signing.crt -certfile ca.crt -out signing.p12 \
        -passout env:TELLMARK_SIGNING_PASSWORD

cd "$source"
"$cmake" --preset windows-x64 -B "$build" -DBUILD_TESTING=OFF \
         -DTELLMARK_SIGNING_CERTIFICATE="$certificates/signing.p12"
if [ -z "$target" ]; then
    exec "$cmake" --build "$build"
fi
if "$cmake" --build "$build" --target "$target" >"$build/refused.log" 2>&1; then
    echo "BUILT AND SIGNED with a certificate for $usage"
    exit 1
fi
grep "^Not signed: " "$build/refused.log"
left=$(find "$build" -name "$target.dll" -o -name "$target.exe")
[ -z "$left" ] || { echo "LEFT UNSIGNED: $left"; exit 1; }
