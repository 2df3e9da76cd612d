#!/bin/bash
# Prints the stripped size of the shipped exe and fails when it exceeds the limit in bytes.
# Usage: scripts/check-size.sh korvane.exe [limit]     (STRIP names the cross strip)
set -uo pipefail
exe=${1:?exe}
limit=${2:-131072}
strip=${STRIP:-i686-w64-mingw32-strip}
copy=$(mktemp)
trap 'rm -f "$copy"' EXIT
"$strip" -o "$copy" "$exe" || { echo "check-size: cannot strip $exe"; exit 1; }
size=$(stat -c %s "$copy")
echo "check-size: $exe: $size bytes stripped (limit $limit)"
[ "$size" -le "$limit" ]
