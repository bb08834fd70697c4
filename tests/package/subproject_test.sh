#!/usr/bin/env bash
# Builds the export library inside a wrapper project (tests/package/wrapper, add_subdirectory)
# and checks what comes out. Kept short: no build type (no optimisation, no debug information)
# and, when ccache is there, a fixed build directory as ccache's base, so that a second run
# compiles almost nothing.
#
#   subproject_test.sh SOURCE_DIR WORK_DIR CMAKE
set -euo pipefail
src="$1" work="$2" cmake="$3"
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$work"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$work"
fi
"$cmake" -S "$src/tests/package/wrapper" -B "$work" -DKVR_SOURCE_DIR="$src" \
  -DCMAKE_BUILD_TYPE= "${launcher[@]}" >"$work.log" 2>&1 || { cat "$work.log"; fail "configure"; }
"$cmake" --build "$work" --target wrapper_host kvrhost -j2 >>"$work.log" 2>&1 ||
  { tail -50 "$work.log"; fail "build"; }
library="$work/kvr/lib/libKVRExportCreator9.so"
for f in "$library" "$work/kvr/lib/libCorvane.so" "$work/kvr/bin/kvrhost" "$work/wrapper_host"; do
  [ -f "$f" ] || fail "not built: ${f#"$work"/}"
done
"$src/tests/entry/check_exported_symbols.sh" "$library" || fail "exported symbols"
grep -q '#define KVR_VERSION_STRING' "$work/kvr/include/kvr/version.h" || fail "version header"
status=0
"$work/wrapper_host" >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "wrapper_host without arguments: status $status"
echo "built as a sub-project: OK"
