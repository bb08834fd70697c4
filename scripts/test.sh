#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every test suite with CTest.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/deps.sh"
# Unformatted sources fail the run before the build (scripts/check_format.sh --fix formats them).
"$here/scripts/check_format.sh"
"$here/scripts/build.sh"
cd "${KVR_BUILD_DIR:-$here/build}"
ctest --output-on-failure -j"$(nproc)" "$@"
