#!/bin/sh
# Fails when a file is larger than its size goal: check-size.sh <file> <largest size in bytes>
file=$1 limit=$2
size=$(stat -c %s "$file") || exit 1
echo "$file: $size bytes, goal at most $limit"
[ "$size" -le "$limit" ]
