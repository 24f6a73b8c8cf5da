#!/bin/sh
# Ends every process of a test prefix and removes the prefix: prefix-stop.sh <prefix dir> <wineserver command>...
# Each prefix holds its own copy of Wine's DLLs (more than 1 GB with the 32-bit half) and a test run makes about
# twenty; TELLMARK_KEEP_PREFIXES=1 keeps them for a look after the run.
dir=$1
shift
WINEPREFIX="$dir" "$@" -k 2>/dev/null
WINEPREFIX="$dir" "$@" -w 2>/dev/null
if [ "${TELLMARK_KEEP_PREFIXES:-0}" != 1 ]; then
    rm -rf "$dir"
fi
exit 0
