#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test (CTest labels unit,
# serial, gui, faults, e2e). Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build=${VOS_BUILD_DIR:-$root/build}
cd "$build"
ctest --output-on-failure -j 2 --timeout 600 "$@"
