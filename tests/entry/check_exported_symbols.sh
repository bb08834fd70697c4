#!/bin/sh
# Fails unless the library's dynamic symbol table defines exactly InitReports and
# GetReportsInStringEx.
set -eu
found=$(nm -D --defined-only "$1" | awk '{print $NF}' | sort | tr '\n' ' ')
if [ "$found" != "GetReportsInStringEx InitReports " ]; then
  echo "exported symbols: $found" >&2
  exit 1
fi
