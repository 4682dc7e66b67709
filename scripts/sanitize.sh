#!/usr/bin/env bash
# Sanitizer runs of the test suites:
#   1. AddressSanitizer + UndefinedBehaviorSanitizer: the unit, gui, serial and
#      faults tests, in one build folder;
#   2. ThreadSanitizer: the serial tests, in another.
# Only the test executables of those labels are built, with -g1 (file:line
# in every report) and light optimisation, which halves the compile time of
# the instrumented test files: -Og for ASan+UBSan, -O1 for TSan. Any sanitizer
# report ends the test that raised it with a failure (halt_on_error), and so
# this script with a non-zero status. Prints the wall time of each step.
#
# Environment:
#   VOS_ASAN_BUILD_DIR  (default <repo>/build-asan)
#   VOS_TSAN_BUILD_DIR  (default <repo>/build-tsan)
#   VOS_SANITIZE_CXX    C++ compiler of both builds (default: CMake's choice)
#   VOS_JOBS            parallel compile jobs and test processes (default 2)
#   SANITIZE_STEPS      which of "asan tsan" to run (default both)
#   Extra arguments are passed to both ctest runs (e.g. -R Pattern).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
asan_dir=${VOS_ASAN_BUILD_DIR:-$root/build-asan}
tsan_dir=${VOS_TSAN_BUILD_DIR:-$root/build-tsan}
jobs=${VOS_JOBS:-2}
steps=${SANITIZE_STEPS:-"asan tsan"}
supp=$root/scripts/sanitizers

# Suppressions only where a file exists: each entry there says why.
suppress() { [[ -f "$supp/$1.supp" ]] && echo ":suppressions=$supp/$1.supp" || true; }

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1$(suppress ubsan)${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export LSAN_OPTIONS="print_suppressions=0$(suppress lsan)${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1$(suppress tsan)${TSAN_OPTIONS:+:$TSAN_OPTIONS}"

sanitizer_config=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOS_BUILD_TESTS=ON
  -DVOS_BUILD_BENCH=OFF -DVOS_BUILD_FUZZ=OFF)
[[ -n "${VOS_SANITIZE_CXX:-}" ]] && sanitizer_config+=(-DCMAKE_CXX_COMPILER="$VOS_SANITIZE_CXX")

# Test executables of the given labels: one per tests/<label>/*_test.cpp,
# named after the file (tests/CMakeLists.txt).
test_targets() {
  local label f
  for label in "$@"; do
    for f in "$root"/tests/"$label"/*_test.cpp; do
      [[ -e "$f" ]] && basename "$f" .cpp
    done
  done
}

# Configures, builds the tests of the labels and runs them under CTest.
# A test executable that CTest cannot list (not built) fails the step, as
# an unlisted executable would otherwise be skipped without a word.
run_step() {
  local name=$1 dir=$2 sanitize=$3 ctest_labels=$4 flags=$5
  shift 5
  local labels=(${ctest_labels//|/ })
  local t0=$SECONDS
  echo "== $name: configure and build ($dir)"
  cmake -S "$root" -B "$dir" "${sanitizer_config[@]}" -DVOS_SANITIZE="$sanitize" \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=$flags -g1 -DNDEBUG" >/dev/null
  mapfile -t targets < <(test_targets "${labels[@]}" | sort -u)
  cmake --build "$dir" -j "$jobs" --target "${targets[@]}"
  local t1=$SECONDS
  echo "== $name: build took $((t1 - t0)) s"
  if ctest --test-dir "$dir" -N | grep -q '_NOT_BUILT'; then
    local missing
    missing=$(ctest --test-dir "$dir" -N | grep -o '[A-Za-z0-9_]*_NOT_BUILT' | sed 's/_NOT_BUILT$//')
    for t in $missing; do
      if printf '%s\n' "${targets[@]}" | grep -qx "$t"; then
        echo "== $name: $t was not built"
        return 1
      fi
    done
  fi
  local rc=0
  ctest --test-dir "$dir" -L "$ctest_labels" -j "$jobs" --output-on-failure --timeout 900 "$@" || rc=$?
  echo "== $name: tests took $((SECONDS - t1)) s, $((SECONDS - t0)) s in all"
  return $rc
}

start=$SECONDS
status=0
for step in $steps; do
  case $step in
    asan) run_step "ASan+UBSan" "$asan_dir" address,undefined 'unit|gui|serial|faults' -Og "$@" || status=1 ;;
    tsan) run_step "TSan" "$tsan_dir" thread 'serial' -O1 "$@" || status=1 ;;
    *) echo "unknown step $step"; exit 2 ;;
  esac
done
echo "== sanitizers: $((SECONDS - start)) s in all, status $status"
exit $status
