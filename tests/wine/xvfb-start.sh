#!/bin/sh
# Starts a private X server for the test run and records its display: xvfb-start.sh <Xvfb> <display file>
xvfb=$1 file=$2
mkdir -p "$(dirname "$file")"
n=90
while [ $n -lt 190 ]; do
    if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then
        "$xvfb" :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        pid=$!
        i=0
        while [ $i -lt 50 ]; do
            if [ -e /tmp/.X11-unix/X$n ]; then
                echo ":$n" >"$file"
                echo "$pid" >"$file.pid"
                echo "Xvfb on :$n"
                exit 0
            fi
            kill -0 $pid 2>/dev/null || break
            sleep 0.1
            i=$((i + 1))
        done
    fi
    n=$((n + 1))
done
echo "no X display could be started" >&2
exit 1
