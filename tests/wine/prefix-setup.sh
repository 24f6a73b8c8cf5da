#!/bin/sh
# Creates a fresh Wine prefix: prefix-setup.sh <wine runner> <prefix dir> [<wineserver command>...]
# With a wineserver command, waits until every process of the prefix has ended: Wine's 32-bit half goes on
# setting itself up after wineboot returns.
set -e
run=$1 dir=$2
shift 2
export WINEPREFIX="$dir"
[ -d "$dir" ] && rm -rf "$dir"
mkdir -p "$(dirname "$dir")"
"$run" wineboot -i >/dev/null 2>&1
# A crashing test program must fail its test, not wait for someone to close a dialog.
"$run" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
[ $# -eq 0 ] || "$@" -w
test -d "$dir/drive_c/windows/system32"
echo "Wine prefix ready: $dir"
