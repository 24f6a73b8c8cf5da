#!/bin/sh
# Runs a test program whose test crashes on purpose: expect-crash.sh <test> <wine runner> <program> [args...]
# Passes only when the program fails and its output names the test that crashed.
test=$1
shift
output=$("$@" 2>&1)
code=$?
printf '%s\n' "$output"
if [ $code -eq 0 ]; then
    echo "expect-crash: $test crashed, but the program ended with exit code 0" >&2
    exit 1
fi
case $output in
*"test $test"*) exit 0 ;;
esac
echo "expect-crash: the program failed ($code) without naming $test as the running test" >&2
exit 1
