#!/bin/sh
# Builds the locale $2 (for example ru_RU.UTF-8) into directory $1, for LOCPATH: the locale runs
# need no change to the system. localedef warns about some sources; the result is what counts.
set -u
dir="$1"; name="$2"
mkdir -p "$dir"
localedef -i "${name%%.*}" -f "${name#*.}" "$dir/$name" 2>/dev/null
test -f "$dir/$name/LC_NUMERIC" || { echo "cannot build locale $name (package locales?)" >&2; exit 1; }
