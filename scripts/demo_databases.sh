#!/usr/bin/env bash
# Builds the demo databases under a root directory from the test data scripts in tests/sql,
# with isql-fb and the embedded engine, when they are not there yet:
#   <root>/C/MOLT/DB/GARVEN.FDB           the station (every optional column, three days of data)
#   <root>/C/MOLT/OfficeDB/OFFICE.FDB     the office database with the discount cards
#   <root>/D/SHOP/SHOP.FDB                the shop database of the directory "D:\SHOP\"
#
#   scripts/demo_databases.sh ROOT
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
root="${1:?usage: demo_databases.sh ROOT}"
sql="$here/tests/sql"
# The embedded engine needs a lock directory it can write.
export FIREBIRD_LOCK="${FIREBIRD_LOCK:-${TMPDIR:-/tmp}/kvr-firebird-lock-$(id -u)}"
mkdir -p "$FIREBIRD_LOCK"

# create_database FILE SCRIPT...: the scripts are UTF-8; the databases hold Windows-1251.
create_database() {
  local file="$1"; shift
  [ -f "$file" ] && return 0
  mkdir -p "$(dirname "$file")"
  local script
  script="$(mktemp)"
  {
    echo "CREATE DATABASE '$file.new' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1251;"
    for name in "$@"; do cat "$sql/$name"; echo; done
  } | iconv -f UTF-8 -t CP1251 > "$script"
  rm -f "$file.new"
  if ! isql-fb -q -bail -ch WIN1251 -i "$script" > "$script.out" 2>&1; then
    cat "$script.out" >&2
    rm -f "$script" "$script.out" "$file.new"
    return 1
  fi
  rm -f "$script" "$script.out"
  mv "$file.new" "$file"
  echo "created $file"
}

create_database "$root/C/MOLT/DB/GARVEN.FDB" \
  station_schema.sql station_optional.sql station_data.sql station_optional_data.sql
create_database "$root/C/MOLT/OfficeDB/OFFICE.FDB" office.sql
create_database "$root/D/SHOP/SHOP.FDB" shop.sql
