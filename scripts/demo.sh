#!/usr/bin/env bash
# The main job on a fresh machine: installs what is missing, builds the library, its helper
# and kvrhost into build/ (or $KVR_BUILD_DIR), and plays the host program with kvrhost
# against the real library, on the embedded Firebird engine. "C:\" is mapped to demo-root/C
# in the checkout, so exports land in demo-root/C/MOLT/EXPORT/.
#
#   scripts/demo.sh [--root DIR]      (or KVR_DEMO_ROOT=DIR scripts/demo.sh)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
root="${KVR_DEMO_ROOT:-$here/demo-root}"
while [ $# -gt 0 ]; do
  case "$1" in
    --root) root="$2"; shift 2 ;;
    --root=*) root="${1#--root=}"; shift ;;
    -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
    *) echo "demo.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

"$here/scripts/deps.sh"
# Only what the demo runs: the library, its database helper and kvrhost.
KVR_BUILD_TARGETS="KVRExportCreator9 corvane kvrhost" "$here/scripts/build.sh"
build="${KVR_BUILD_DIR:-$here/build}"
kvrhost="$build/bin/kvrhost"

mkdir -p "$root/C/MOLT/EXPORT" "$root/C/MOLT/LogFiles" "$root/C/WINDOWS"
root="$(cd "$root" && pwd)"
export KVR_ROOT="$root" KVR_LIBRARY="$build/lib/libKVRExportCreator9.so"
station_dir="$root/C/MOLT/DB"
mkdir -p "$station_dir"
host=(--host-kind 3 --station "АЗС 1" --database-dir "$station_dir")

echo "== Root directory (C:\\ is $root/C)"
echo
# The station's settings file, in Windows-1251 like the station keeps it: dates in the US
# form, and one fuel-name map for all stations (key "GSMNames2" + the hexadecimal bytes of
# "ВСЕ АЗС", read because the host is of kind 3).
all_stations_hex="$(printf 'ВСЕ АЗС' | iconv -f UTF-8 -t CP1251 | od -An -tx1 | tr -d ' \n' | tr a-f A-F)"
iconv -f UTF-8 -t CP1251 > "$root/C/WINDOWS/cnf.ini" <<EOF
[REPORTS]
UseDBETime=1
ExportTideZero=0
GSMTbl=1
FixGSMFld=1
GSMFldLen=20
GSMNames2$all_stations_hex=АИ-92=Регуляр-92|АИ-95=Премиум-95
PrihodOnly=0
[Misc]
OfficeReportsType=0
EOF
echo "== Settings $root/C/WINDOWS/cnf.ini"
iconv -f CP1251 -t UTF-8 "$root/C/WINDOWS/cnf.ini"
echo
echo '== Demo databases from tests/sql: the station, the office, and the shop of "D:\SHOP\"'
"$here/scripts/demo_databases.sh" "$root"
echo
echo "== The host hands over its context and sends control command 1000"
"$kvrhost" "${host[@]}" --control "0,$station_dir,АЗС 1,0"
echo
echo "== Payment types (report 8, sub-code 1) with the library's default list of 13"
status=0
"$kvrhost" "${host[@]}" 8 1 0 0 2026-12-01 2026-12-02 || status=$?

# The demo data covers shifts 1 to 6, from 1 to 4 March 2024.
from=2024-03-01
to=2024-03-05
run_report() {
  echo
  echo "== $1"
  shift
  "$kvrhost" "${host[@]}" "$@" || status=$?
}
run_report "Sale log with the shop's goods (report 0)" 0 "$from" "$to" 0 0 's:D:\SHOP\'
run_report "Tank events (report 1)" 1 "$from" "$to"
run_report "Fuel receipts (report 2)" 2 "$from" "$to"
run_report "Tank remains of shifts 1 to 6 (report 6: last shift, first shift)" 6 6 1
run_report "Discount cards of the office database (report 8, sub-code 2)" 8 2
run_report "Dispenser information of shifts 1 to 6 (report 8, sub-code 3)" 8 3 1 6
run_report "Cash receipts (report 8, sub-code 4)" 8 4 "$from" "$to"
run_report "Sale discounts (report 8, sub-code 5)" 8 5 "$from" "$to"

shopt -s nullglob
exports=("$root"/C/MOLT/EXPORT/*.dbf)
echo
if [ ${#exports[@]} -eq 0 ]; then
  echo "== No export was written (status $status); the result texts above say why."
else
  echo "== Exports in $root/C/MOLT/EXPORT"
  for f in "${exports[@]}"; do
    echo "-- $(basename "$f")"
    "$kvrhost" dbf "$f" | head -n 30 || true  # the layout and the first records
  done
fi
