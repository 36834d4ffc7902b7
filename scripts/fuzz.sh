#!/bin/sh
# Fuzzes every input surface: scripts/fuzz.sh [SECONDS]  (each target; default 60).
# Sets up, builds the libFuzzer programs (clang-14, ASan + UBSan) in build-fuzz,
# replays the past findings in tests/fuzz/regressions/<target>/, then runs each
# target from its seeds in tests/fuzz/corpus/<target>/. New inputs go to
# build-fuzz/corpus/<target>/, failing ones to build-fuzz/artifacts/<target>/.
# A crash, sanitizer report, leak, input slower than 1 s or memory above
# 512 MiB fails the run; the exit status is non-zero then.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
targets="session config ftp_reply spool_listing crypt spool_reader"
build=build-fuzz

sh scripts/as-root.sh sh scripts/setup.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
  -DOPRINTER_FUZZ=ON -DOPRINTER_TESTS=OFF -DOPRINTER_WERROR=ON >/dev/null
cmake --build "$build" --target fuzzers -j2

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
limits="-timeout=1 -rss_limit_mb=512"
failed=0
summary=""

for target in $targets; do
  program="$build/tests/fuzz/fuzz_$target"
  regressions="tests/fuzz/regressions/$target"
  if [ -n "$(ls -A "$regressions" 2>/dev/null)" ]; then
    echo "== $target: replaying $regressions"
    # shellcheck disable=SC2086
    if ! "$program" $limits "$regressions"/* >"$build/replay-$target.log" 2>&1; then
      tail -40 "$build/replay-$target.log"
      echo "== $target: a past finding fails again (see $build/replay-$target.log)"
      failed=1
      summary="$summary$(printf '%-14s regression replay FAILED' "$target")\n"
    fi
  fi
done

for target in $targets; do
  program="$build/tests/fuzz/fuzz_$target"
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target/"
  log="$build/fuzz-$target.log"
  mkdir -p "$corpus" "$artifacts"
  # A session longer than 1 KiB reaches nothing a shorter one does not (the
  # record size bound has a unit test of its own) and costs many times as much.
  case $target in session) options="-max_len=1024" ;; *) options="" ;; esac
  echo "== $target: fuzzing for $seconds s"
  started=$(date +%s)
  status=0
  # shellcheck disable=SC2086
  "$program" $limits $options -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts" \
    "$corpus" "tests/fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  elapsed=$(( $(date +%s) - started ))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  found=$(grep -c 'Test unit written to' "$log" || true)
  if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
    failed=1
    grep -E '^==[0-9]+==ERROR|SUMMARY|broken promise|Test unit written to|runtime error' "$log" | head -20
    found=$(( found > 0 ? found : 1 ))
  fi
  summary="$summary$(printf '%-14s %12s executions %6d s %3d crashes' "$target" "${runs:-?}" "$elapsed" "$found")\n"
done

echo "== fuzzing summary"
printf "%b" "$summary"
if [ "$failed" -ne 0 ]; then
  echo "== fuzzing FAILED (logs: $build/fuzz-*.log, inputs: $build/artifacts/)"
  exit 1
fi
echo "== fuzzing passed"
