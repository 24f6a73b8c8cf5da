#!/bin/sh
# Ends every process of a test prefix: prefix-stop.sh <wineserver> <prefix dir>
WINEPREFIX="$2" "$1" -k 2>/dev/null
WINEPREFIX="$2" "$1" -w 2>/dev/null
exit 0
