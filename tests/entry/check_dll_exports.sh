#!/bin/sh
# Fails unless a DLL's export table names exactly the given functions, undecorated.
#   check_dll_exports.sh OBJDUMP DLL NAME...
set -eu
objdump=$1
dll=$2
shift 2
expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
found=$("$objdump" -p "$dll" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
if [ "$found" != "$expected" ]; then
  echo "exports of $dll: $found (expected: $expected)" >&2
  exit 1
fi
