#!/bin/sh
# On 32-bit Windows the entry and every interface operation are __stdcall: the
# linker's symbols carry the size of their arguments (@N, the object included),
# and the export MP_GetFactory is the address of _MP_GetFactory@4.
# Usage: check_stdcall.sh NM OBJDUMP DLL
set -eu
nm=$1
objdump=$2
dll=$3
symbols=$("$nm" "$dll" | awk '$2 == "T" {print $1, $3}')
status=0

# Class, operation, argument bytes.
operations='MpFactory QueryInterface 12
MpFactory AddRef 4
MpFactory Release 4
MpFactory createModule 20
MpFactory describeSdk 16
MpBase QueryInterface 12
MpBase AddRef 4
MpBase Release 4
MpBase activate 4
MpBase assignBuffer 12
MpBase processBlock 12
MpBase acceptMessage 16
Quorvale activate 4'
while read -r class operation bytes; do
    if ! echo "$symbols" | grep -Eq " __ZN[0-9]+${class}[0-9]+${operation}E[^ ]*@${bytes}\$"; then
        echo "no __stdcall ${class}::${operation}@${bytes}"
        status=1
    fi
done <<EOF
$operations
EOF

entry=$(echo "$symbols" | awk '$2 == "_MP_GetFactory@4" {print $1}')
base=$("$objdump" -p "$dll" | awk '$1 == "ImageBase" {print $2}')
rva=$("$objdump" -p "$dll" | awk '/Export RVA/ {print $(NF-2)}')
if [ -z "$entry" ] || [ -z "$base" ] || [ -z "$rva" ]; then
    echo "cannot find _MP_GetFactory@4 (${entry:-none}), the image base or the export"
    exit 1
fi
exported=$(printf '%08x' $((0x$base + 0x$rva)))
if [ "$exported" != "$entry" ]; then
    echo "MP_GetFactory exports $exported, but _MP_GetFactory@4 is at $entry"
    status=1
fi
if [ $status -eq 0 ]; then
    echo "__stdcall: MP_GetFactory@4 at $entry and $(echo "$operations" | wc -l) operations"
fi
exit $status
