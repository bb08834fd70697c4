#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test suite with CTest.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/deps.sh"
"$here/scripts/build.sh"
cd "${KVR_BUILD_DIR:-$here/build}"
ctest --output-on-failure -j"$(nproc)" "$@"
