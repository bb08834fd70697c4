#!/usr/bin/env bash
# Lists the C and C++ files that .clang-format would change and exits 1 when there are any.
#   scripts/check_format.sh          check every tracked source file
#   scripts/check_format.sh --fix    format them in place instead
#   scripts/check_format.sh FILE...  check only these files
# CLANG_FORMAT names the formatter (default clang-format; the .clang-format files are written
# for version 14, Debian 12's).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
formatter="${CLANG_FORMAT:-clang-format}"
command -v "$formatter" >/dev/null || { echo "check_format: $formatter not found" >&2; exit 2; }

fix=0
if [ "${1:-}" = "--fix" ]; then
  fix=1
  shift
fi
if [ $# -gt 0 ]; then
  files=("$@")
elif git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -- '*.c' '*.cc' '*.cpp' '*.h' '*.hpp')
else
  mapfile -t files < <(find include src tests tools helper bench -type f \
    \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) | sort)
fi

if [ "$fix" -eq 1 ]; then
  [ ${#files[@]} -eq 0 ] || "$formatter" -i --style=file "${files[@]}"
  exit 0
fi

unformatted=0
for f in "${files[@]}"; do
  [ -f "$f" ] || continue
  # --dry-run -Werror: a non-zero status for a file the formatter would change.
  if ! "$formatter" --dry-run -Werror --style=file "$f" >/dev/null 2>&1; then
    echo "$f"
    unformatted=$((unformatted + 1))
  fi
done
if [ "$unformatted" -gt 0 ]; then
  echo "check_format: $unformatted file(s) not formatted; scripts/check_format.sh --fix formats them" >&2
  exit 1
fi
