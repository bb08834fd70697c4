#!/usr/bin/env bash
# The installed tree as a user gets it: cmake --install into a fresh prefix, then
#  - the files land where the layout says, with the RUNPATHs and hardening it promises;
#  - examples/export_host.c, built with nothing but the pkg-config flags of that prefix, loads
#    the installed library through the plugin directory and writes an export on a demo
#    station database; a failing export and a failure before the export are told apart;
#  - a CMake project finds the package (find_package) and builds the same host;
#  - the installed kvrhost finds the installed library by itself.
# Nothing runs with LD_LIBRARY_PATH.
#
#   install_test.sh SOURCE_DIR BUILD_DIR WORK_DIR CMAKE C_COMPILER
set -euo pipefail
src="$1" build="$2" work="$3" cmake="$4" cc="$5"
unset LD_LIBRARY_PATH KVR_LIBRARY
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
prefix="$work/prefix"
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log"

# -- The layout
plugins="$prefix/lib/kvrexportcreator9"
for f in "$plugins/libKVRExportCreator9.so" "$plugins/libCorvane.so" "$prefix/bin/kvrhost" \
         "$prefix/include/kvr/host_abi.h" "$prefix/include/kvr/version.h" \
         "$prefix/lib/pkgconfig/kvrexportcreator9.pc" \
         "$prefix/lib/cmake/KVRExportCreator9/KVRExportCreator9Config.cmake" \
         "$prefix/lib/cmake/KVRExportCreator9/KVRExportCreator9ConfigVersion.cmake" \
         "$prefix/lib/cmake/KVRExportCreator9/KVRExportCreator9Targets.cmake"; do
  [ -e "$f" ] || fail "not installed: ${f#"$prefix"/}"
done
runpath() { readelf -d "$1" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p'; }
[ "$(runpath "$prefix/bin/kvrhost")" = '$ORIGIN/../lib/kvrexportcreator9' ] ||
  fail "kvrhost RUNPATH: $(runpath "$prefix/bin/kvrhost")"
[ "$(runpath "$plugins/libKVRExportCreator9.so")" = '$ORIGIN' ] ||
  fail "library RUNPATH: $(runpath "$plugins/libKVRExportCreator9.so")"
for f in "$plugins/libKVRExportCreator9.so" "$plugins/libCorvane.so" "$prefix/bin/kvrhost"; do
  # (grep reads whole texts: an early exit of grep -q would fail the pipe under pipefail)
  grep -q GNU_RELRO <<<"$(readelf -lW "$f")" || fail "no RELRO: $f"
  grep -Eq 'BIND_NOW|FLAGS.*NOW' <<<"$(readelf -dW "$f")" || fail "no BIND_NOW: $f"
  grep -q '__stack_chk_fail' <<<"$(readelf -sW "$f")" || fail "no stack protector: $f"
  grep -q '__[a-z]*_chk@' <<<"$(readelf -sW "$f")" || fail "no fortified calls: $f"
done
version=$(sed -n 's/^#define KVR_VERSION_STRING "\(.*\)"$/\1/p' "$prefix/include/kvr/version.h")
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
[ "$(pkg-config --modversion kvrexportcreator9)" = "$version" ] ||
  fail "pkg-config version $(pkg-config --modversion kvrexportcreator9), header $version"

# -- A demo station under a root directory of its own
root="$work/root"
export KVR_ROOT="$root"
mkdir -p "$root/C/MOLT/LogFiles" "$root/C/WINDOWS"
"$src/scripts/demo_databases.sh" "$root" >"$work/databases.log"
station="$root/C/MOLT/DB"

# -- The example host, built with the pkg-config flags only
# shellcheck disable=SC2046
"$cc" -std=c11 -Wall -Wextra -Werror "$src/examples/export_host.c" -o "$work/export_host" \
  $(pkg-config --cflags --libs kvrexportcreator9)
"$work/export_host" "$station" 6 1 >"$work/host.out" || { cat "$work/host.out"; fail "export_host failed"; }
loaded=$(sed -n 's/^library \(.*\), header .*/\1/p' "$work/host.out")
[ -n "$loaded" ] && [ "$(realpath "$loaded")" = "$(realpath "$plugins/libKVRExportCreator9.so")" ] ||
  fail "not loaded from the plugin directory: $(head -1 "$work/host.out")"
grep -q '^result 1: export written$' "$work/host.out" || fail "$(cat "$work/host.out")"
dbf="$root/C/MOLT/EXPORT/RezEnd.dbf"
[ -f "$dbf" ] || fail "no $dbf"
# Debian's python3 with python3-dbfread (not a python3 that PATH may put first)
records=$(/usr/bin/python3 -c 'import sys, dbfread; print(len(dbfread.DBF(sys.argv[1], load=True)))' "$dbf")
[ "$records" -gt 0 ] || fail "RezEnd.dbf has no records"

# An export that fails: result 1 and the "report" error text (the export directory is a file).
mv "$root/C/MOLT/EXPORT" "$work/export.saved"
touch "$root/C/MOLT/EXPORT"
status=0
"$work/export_host" "$station" 6 1 >"$work/host.out" || status=$?
[ "$status" -eq 1 ] || fail "a failing export gave status $status: $(cat "$work/host.out")"
grep -q '^result 1, the export failed: Ошибка при формировании отчета: Не удалось создать каталог' \
  "$work/host.out" || fail "$(cat "$work/host.out")"
rm "$root/C/MOLT/EXPORT"
mv "$work/export.saved" "$root/C/MOLT/EXPORT"

# A failure before the export (no station database there): result 0 and the "export report"
# text, which the error log repeats.
status=0
"$work/export_host" "$work/no-station" 6 1 >"$work/host.out" || status=$?
[ "$status" -eq 1 ] || fail "a missing database gave status $status: $(cat "$work/host.out")"
grep -q '^result 0, failed before the export: Ошибка при формировании экспортного отчета: ' \
  "$work/host.out" || fail "$(cat "$work/host.out")"
grep -q '\[ошиб\] \[KVRExportCreator9\] Ошибка при формировании экспортного отчета: ' \
  <<<"$(iconv -f CP1251 -t UTF-8 "$root/C/MOLT/LogFiles/Reports.log")" ||
  fail "the failure before the export is not in Reports.log"

# -- find_package(KVRExportCreator9)
consumer="$work/consumer"
mkdir -p "$consumer"
cat >"$consumer/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(consumer C)
find_package(KVRExportCreator9 $version REQUIRED)
add_executable(export_host "$src/examples/export_host.c")
target_link_libraries(export_host PRIVATE KVRExportCreator9::host_abi \${CMAKE_DL_LIBS})
target_compile_definitions(export_host PRIVATE
  KVR_PLUGIN_DIR="\${KVRExportCreator9_PLUGIN_DIR}")
file(WRITE \${CMAKE_BINARY_DIR}/found.txt "\${KVRExportCreator9_LIBRARY}")
CMAKE
"$cmake" -S "$consumer" -B "$consumer/build" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_COMPILER="$cc" >"$work/consumer.log" || { cat "$work/consumer.log"; fail "find_package"; }
"$cmake" --build "$consumer/build" >>"$work/consumer.log" || { cat "$work/consumer.log"; fail "consumer build"; }
[ "$(realpath "$(cat "$consumer/build/found.txt")")" = "$(realpath "$plugins/libKVRExportCreator9.so")" ] ||
  fail "KVRExportCreator9_LIBRARY: $(cat "$consumer/build/found.txt")"
rm -f "$root/C/MOLT/EXPORT/RezEnd.dbf"
"$consumer/build/export_host" "$station" 5 2 >"$work/host.out" || fail "$(cat "$work/host.out")"
[ -f "$dbf" ] || fail "the find_package host wrote no RezEnd.dbf"

# -- The installed kvrhost finds the installed library without being told where it is
"$prefix/bin/kvrhost" --help >/dev/null || fail "kvrhost --help"
rm -f "$root/C/MOLT/EXPORT/RezLog.dbf"
"$prefix/bin/kvrhost" --root "$root" --host-kind 3 --database-dir "$station" \
  1 2024-03-01 2024-03-05 >"$work/kvrhost.out" 2>&1 || { cat "$work/kvrhost.out"; fail "kvrhost report 1"; }
[ -f "$root/C/MOLT/EXPORT/RezLog.dbf" ] || fail "kvrhost wrote no RezLog.dbf"
echo "installed tree of version $version: OK"
