#!/usr/bin/env bash
# Configures and builds Vostrelle in build/ (Ninja, RelWithDebInfo), then lays
# out a runnable program folder in build/install. Extra arguments go to cmake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VOS_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
cmake --install "$build" --prefix "$build/install" >/dev/null
