#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the CTest labels unit,
# serial, gui, faults, e2e, package (the Debian package built, checked by
# lintian, unpacked into a temporary root and used) and freshroot (the
# packages for Debian 12 and 13 installed with apt on fresh roots of those
# releases, kept in ~/.cache/vostrelle-roots, and used); then the unit, gui,
# serial and faults tests under AddressSanitizer + UndefinedBehaviorSanitizer
# and the serial tests under ThreadSanitizer (scripts/sanitize.sh), and each
# libFuzzer target for FUZZ_SECONDS, default 60 (scripts/fuzz.sh). Exits
# non-zero on any failure.
# VOS_RELIABILITY=0 stops after the plain test run (a quick check while
# working); extra arguments go to that ctest run (e.g. -L gui).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
# Compiler cache shared by every build of this script (main, sanitizers,
# fuzzing); paths are taken relative to the checkout so clones share it.
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
fi
t0=$SECONDS
"$root/scripts/build.sh"
build=${VOS_BUILD_DIR:-$root/build}
echo "== build took $((SECONDS - t0)) s"
t1=$SECONDS
ctest --test-dir "$build" --output-on-failure -j 2 --timeout 600 "$@"
echo "== tests took $((SECONDS - t1)) s"
if [ "${VOS_RELIABILITY:-1}" != 1 ]; then exit 0; fi
"$root/scripts/sanitize.sh"
FUZZ_SECONDS=${FUZZ_SECONDS:-60} "$root/scripts/fuzz.sh"
echo "== everything took $((SECONDS - t0)) s"
