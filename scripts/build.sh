#!/usr/bin/env bash
# Configures and builds into build/ (or $KVR_BUILD_DIR). Arguments go to the configure step;
# KVR_BUILD_TARGETS="a b" builds only those targets (and what they need); KVR_WERROR=ON makes
# warnings errors, as CI builds.
#
#   scripts/build.sh [-DOPTION=VALUE ...]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${KVR_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE="${KVR_BUILD_TYPE:-RelWithDebInfo}" \
  -DKVR_WERROR="${KVR_WERROR:-OFF}" "$@" >/dev/null
targets=()
for t in ${KVR_BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
