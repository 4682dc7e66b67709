#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each one for a bounded time from its
# committed seed corpus (fuzz/corpus/<target>/, copied: the run never changes
# the tree). Exits non-zero when any target finds something: a crash, a
# broken invariant (abort), a sanitizer report, a leak, an input slower than
# FUZZ_UNIT_TIMEOUT or memory above FUZZ_RSS_MB. The input that did it is
# kept as <work>/<target>/crash-* (or leak-*, timeout-*, oom-*); replay it
# with: <build>/fuzz/<target>_fuzz <that file>
#
# Environment:
#   FUZZ_SECONDS       run time of each target, in seconds (default 60)
#   FUZZ_TARGETS       targets to run (default: panel_decoder profile dechiffrer)
#   FUZZ_PARALLEL      targets run at the same time (default: all of them, so
#                      the runs take FUZZ_SECONDS of wall time in all)
#   FUZZ_UNIT_TIMEOUT  seconds one input may take (default 10)
#   FUZZ_RSS_MB        memory limit of one target (default 2048)
#   VOS_FUZZ_BUILD_DIR build folder (default <repo>/build-fuzz)
#   FUZZ_WORK_DIR      corpora, logs and findings (default <build>/fuzz-work)
#   VOS_JOBS           parallel compile jobs (default 2)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VOS_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-60}
targets=${FUZZ_TARGETS:-"panel_decoder profile dechiffrer"}
parallel=${FUZZ_PARALLEL:-$(wc -w <<<"$targets")}
work=${FUZZ_WORK_DIR:-$build/fuzz-work}
jobs=${VOS_JOBS:-2}

# Sanitizer reports are fatal; libFuzzer turns them into a finding.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
# Leaks inside Qt's font back-end only (each entry says why).
export LSAN_OPTIONS="suppressions=$root/scripts/sanitizers/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export QT_QPA_PLATFORM=offscreen

start=$SECONDS
echo "== fuzz: configure and build ($build)"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" \
  -DVOS_BUILD_TESTS=OFF -DVOS_BUILD_BENCH=OFF -DVOS_BUILD_FUZZ=ON -DVOS_SANITIZE=address,undefined >/dev/null
build_targets=()
for t in $targets; do build_targets+=("${t}_fuzz"); done
cmake --build "$build" -j "$jobs" --target "${build_targets[@]}"
echo "== fuzz: build took $((SECONDS - start)) s"

run_target() {
  local t=$1 dir=$work/$1
  rm -rf "$dir"
  mkdir -p "$dir/corpus"
  cp "$root/fuzz/corpus/$t/"* "$dir/corpus/"
  "$build/fuzz/${t}_fuzz" -max_total_time="$seconds" -timeout="${FUZZ_UNIT_TIMEOUT:-10}" \
    -rss_limit_mb="${FUZZ_RSS_MB:-2048}" -max_len=8192 -print_final_stats=1 \
    -artifact_prefix="$dir/" "$dir/corpus" >"$dir/log" 2>&1 && echo 0 >"$dir/rc" || echo $? >"$dir/rc"
}

# One line per target: executions, rate, coverage, corpus growth.
summary() {
  local t=$1 log=$work/$1/log
  local runs rate cov units
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  units=$(sed -n 's/^stat::new_units_added: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  printf '%-14s %s s  %10s execs  %7s exec/s  cov %5s  new units %s\n' \
    "$t" "$seconds" "${runs:-?}" "${rate:-?}" "${cov:-?}" "${units:-?}"
}

echo "== fuzz: $seconds s per target, $parallel at a time: $targets"
run_start=$SECONDS
running=0
for t in $targets; do
  if ((running >= parallel)); then
    wait -n || true
    running=$((running - 1))
  fi
  run_target "$t" &
  running=$((running + 1))
done
wait
failed=()
for t in $targets; do
  [[ "$(cat "$work/$t/rc" 2>/dev/null)" == 0 ]] || failed+=("$t")
done

for t in $targets; do summary "$t"; done
echo "== fuzz: runs took $((SECONDS - run_start)) s, $((SECONDS - start)) s in all"
if ((${#failed[@]})); then
  for t in "${failed[@]}"; do
    echo "== fuzz: FINDING in $t (log: $work/$t/log)"
    grep -E 'ERROR|check failed|invariant violated|SUMMARY|Test unit written' "$work/$t/log" | head -20 || true
  done
  exit 1
fi
echo "== fuzz: no finding"
