#!/bin/sh
# Boots the Wine prefix that every test prefix is copied from (prefix-copy.sh):
#   prefix-setup.sh <wine runner> <template dir> <wineserver command>...
# A later ctest run reuses it while Wine's version, the route to Wine's 32-bit half (TELLMARK_I386_ROUTE) and
# this script and the runner stay the same; any change of them boots it afresh. Every setting a test prefix
# starts with is made here.
# Waits until every process of the prefix has ended: Wine's 32-bit half goes on setting itself up after
# wineboot returns. Run through the i386 host, it makes sure that half is there.
set -e
run=$1 dir=$2
shift 2
key_file=$dir.key
key="$("$run" --version) route=${TELLMARK_I386_ROUTE:-none} $(cat "$0" "$run" | sha256sum)"
if [ -d "$dir" ] && [ -f "$key_file" ] && [ "$(cat "$key_file")" = "$key" ]; then
    echo "Wine prefix template up to date: $dir"
    exit 0
fi
rm -f "$key_file"
export WINEPREFIX="$dir"
# What an earlier run left running in an old prefix of this name would go on writing into the new one.
if [ -d "$dir" ]; then
    timeout 60 "$@" -k 2>/dev/null || true
    rm -rf "$dir"
fi
mkdir -p "$(dirname "$dir")"
# Each step is bounded, so that a hang fails here under its own name instead of stalling the run.
step() {
    limit=$1 what=$2
    shift 2
    output=$(timeout --kill-after=10 "$limit" "$@" 2>&1) && return 0
    code=$?
    if [ $code -eq 124 ] || [ $code -eq 137 ]; then
        echo "$what did not end within $limit s: $dir" >&2
    else
        printf '%s failed with exit code %s: %s\n%s\n' "$what" $code "$dir" "$output" >&2
    fi
    return $code
}
step 120 "wineboot -i" "$run" wineboot -i
# A crashing test program must fail its test, not wait for someone to close a dialog.
step 60 "reg add" "$run" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
# The prefix is copied only once its server has ended and written the registry out.
step 120 "the prefix's set-up" "$@" -w
if [ ! -d "$dir/drive_c/windows/system32" ]; then
    echo "wineboot made no system32: $dir" >&2
    exit 1
fi
# Inside the i386 host every prefix must have its 32-bit half: one without it fails every later 32-bit step.
if [ -n "${TELLMARK_I386_ROUTE:-}" ] && [ ! -e "$dir/drive_c/windows/syswow64/regsvr32.exe" ]; then
    echo "the prefix got no 32-bit half ($TELLMARK_I386_ROUTE route): $dir" >&2
    exit 1
fi
# Debian's Wine names in this file the temporary folder of the prefix's server; without it, each copy's
# server makes one of its own, as in a freshly booted prefix.
rm -f "$dir/wineserver"
echo "$key" >"$key_file"
echo "Wine prefix template ready: $dir"
