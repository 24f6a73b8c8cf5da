#!/bin/sh
# Fails when a PE file imports a DLL outside the set that every Windows installation has:
# check-imports.sh <objdump> <file>
# msi.dll is Windows Installer's own: the package's custom actions run inside it.
objdump=$1 file=$2
allowed=" kernel32.dll user32.dll advapi32.dll shlwapi.dll shell32.dll ole32.dll oleaut32.dll msvcrt.dll msi.dll "
imports=$("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$imports" ] || { echo "$file: no import table found" >&2; exit 1; }
status=0
for dll in $imports; do
    case "$allowed" in
        *" $dll "*) echo "ok      $dll" ;;
        *) echo "FOREIGN $dll" >&2; status=1 ;;
    esac
done
exit $status
