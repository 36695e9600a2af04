#!/bin/sh
# The .gmpxml section holds the description file byte for byte and is not
# loaded into memory.
set -eu
lib=$1
xml=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
objcopy --dump-section .gmpxml="$tmp/section.xml" "$lib" "$tmp/copy.so"
cmp "$tmp/section.xml" "$xml"
line=$(readelf -S -W "$lib" | grep ' \.gmpxml ')
case "$line" in
*" A "* | *" WA "* | *" AX "*) echo "section .gmpxml is allocated: $line"; exit 1 ;;
esac
echo "description section matches ($(wc -c <"$xml") bytes, not allocated)"
