#!/bin/sh
# Stops the test run's X server: xvfb-stop.sh <display file>
[ -s "$1.pid" ] && kill "$(cat "$1.pid")" 2>/dev/null
rm -f "$1" "$1.pid"
exit 0
