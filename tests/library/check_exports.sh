#!/bin/sh
# The library exports exactly one symbol, MP_GetFactory.
set -eu
symbols=$(nm -D --defined-only "$1" | awk '{print $3}' | sort)
if [ "$symbols" != "MP_GetFactory" ]; then
  echo "expected only MP_GetFactory, found:"; echo "$symbols"; exit 1
fi
echo "exports: $symbols"
