#!/bin/sh
# Gives a test group a fresh prefix of its own, a copy of the booted template (prefix-setup.sh):
#   prefix-copy.sh <template dir> <prefix dir> <wineserver command>...
# A prefix names no path of its own (dosdevices/c: links to ../drive_c, the registry holds Windows paths only),
# so the copy works where it lands, and shares nothing with the template or the other copies.
set -e
template=$1 dir=$2
shift 2
if [ ! -f "$template.key" ]; then
    echo "no Wine prefix template at $template: wine-prefix-template boots it" >&2
    exit 1
fi
# What an earlier run left running in an old prefix of this name would go on writing into the new one.
if [ -d "$dir" ]; then
    WINEPREFIX="$dir" timeout 60 "$@" -k 2>/dev/null || true
    rm -rf "$dir"
fi
cp -a --reflink=auto "$template" "$dir"
echo "Wine prefix ready: $dir"
