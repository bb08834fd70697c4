#!/usr/bin/env bash
# The Windows build: mingw-w64 cross compiler and Wine from Debian, GoogleTest built for the
# target from Debian's source package, the library, helper, kvrhost and the suites that need no
# database built into build-windows/ and run under Wine (docs/windows.md).
#   KVR_WINDOWS_BUILD_DIR  build directory (default build-windows)
#   KVR_WINE_PREFIX        the Wine prefix the tests run in (default <build>/wine)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${KVR_WINDOWS_BUILD_DIR:-build-windows}"
mkdir -p "$build"
build="$(cd "$build" && pwd)"
prefix="${KVR_WINE_PREFIX:-$build/wine}"
jobs="$(nproc)"

packages=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools wine wine64
          googletest firebird-dev cmake make binutils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

toolchain="$PWD/cmake/toolchains/x86_64-w64-mingw32.cmake"
gtest="$build/googletest-prefix"
if [ ! -f "$gtest/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$build/googletest" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON \
    -DCMAKE_INSTALL_PREFIX="$gtest" >/dev/null
  cmake --build "$build/googletest" -j"$jobs" >/dev/null
  cmake --install "$build/googletest" >/dev/null
fi

# WINEPREFIX is set for every program CTest starts; a first start makes the prefix.
emulator="/usr/bin/env;WINEPREFIX=$prefix;WINEDEBUG=-all;$(command -v wine)"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DKVR_WINDOWS_PREFIX="$gtest" \
  -DKVR_BUILD_TESTS=ON -DKVR_BUILD_BENCH=OFF -DKVR_INSTALL=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "-DCMAKE_CROSSCOMPILING_EMULATOR=$emulator" >/dev/null
cmake --build "$build" -j"$jobs"
WINEPREFIX="$prefix" WINEDEBUG=-all wineboot -i >/dev/null 2>&1 || true
ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 600

# The 32-bit library and helper compile, and export the undecorated stdcall names a 32-bit
# host looks up (they cannot run here).
build32="$build-i686"
cmake -S . -B "$build32" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/i686-w64-mingw32.cmake" \
  -DKVR_BUILD_TESTS=OFF -DKVR_BUILD_BENCH=OFF -DKVR_INSTALL=OFF >/dev/null
cmake --build "$build32" -j"$jobs" --target KVRExportCreator9 corvane
tests/entry/check_dll_exports.sh i686-w64-mingw32-objdump "$build32/bin/KVRExportCreator9.dll" \
  InitReports GetReportsInStringEx
tests/entry/check_dll_exports.sh i686-w64-mingw32-objdump "$build32/bin/Corvane.dll" \
  FBConnectDB FBDisconnectDB FBCreateTransaction FBCreateDataSetForRead2 FBCreateDataSetForRead \
  GetFBPassword GetFBPort
echo "i686: KVRExportCreator9.dll and Corvane.dll export the expected names"
