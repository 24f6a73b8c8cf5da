#!/bin/sh
# Ends every process of a test prefix: prefix-stop.sh <prefix dir> <wineserver command>...
dir=$1
shift
WINEPREFIX="$dir" "$@" -k 2>/dev/null
WINEPREFIX="$dir" "$@" -w 2>/dev/null
exit 0
