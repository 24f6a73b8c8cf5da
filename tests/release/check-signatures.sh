#!/bin/sh
# Checks a release built by build-signed-release.sh:
#   check-signatures.sh <osslsigncode> <msiinfo> <build folder>
# Every file's signature verifies against the throw-away authority, no longer does once one byte it covers is
# changed, and the package carries the signed custom-action DLL.
osslsigncode=$1 msiinfo=$2 release=$3
changed=$release/changed
status=0
verify() {
    "$osslsigncode" verify -CAfile "$release/certificates/ca.crt" -in "$1" >"$release/verify.log" 2>&1
}
for file in service/TellmarkSvc.exe component/Voltwise.dll x86/component/Voltwise.dll \
            installer/TellmarkSetup.dll installer/Tellmark.msi; do
    if verify "$release/$file"; then
        echo "verified:            $file"
    else
        cat "$release/verify.log"
        echo "NOT VERIFIED:        $file"
        status=1
    fi
    # A byte the signature covers: in the DOS stub of a PE file, in the cabinet of the package.
    case $file in
        *.msi) marker=MSCF ;;
        *) marker='This program' ;;
    esac
    offset=$(grep -obUa "$marker" "$release/$file" | head -n 1 | cut -d : -f 1)
    cp "$release/$file" "$changed"
    printf X | dd of="$changed" bs=1 seek="$offset" conv=notrunc 2>/dev/null
    if verify "$changed"; then
        echo "VERIFIED, ONE BYTE CHANGED AT $offset: $file"
        status=1
    else
        echo "one byte changed, refused: $file"
    fi
done
"$msiinfo" extract "$release/installer/Tellmark.msi" Binary.TellmarkSetup >"$changed"
if cmp "$changed" "$release/installer/TellmarkSetup.dll"; then
    echo "the package carries the signed TellmarkSetup.dll"
else
    status=1
fi
exit $status
