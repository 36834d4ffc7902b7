#!/bin/sh
# Sets up, builds and runs every benchmark; each figure is printed beside the
# baseline measured in the same run, with their ratio. The end-to-end
# benchmark runs the service on port 23 of a loopback address, so it runs as
# root (through sudo when needed). Extra arguments go to every Google
# benchmark program, e.g. --benchmark_repetitions=3.
set -eu
cd "$(dirname "$0")/.."
sh scripts/as-root.sh sh scripts/setup.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOPRINTER_BENCH=ON -DOPRINTER_TESTS=OFF -DOPRINTER_WERROR=ON >/dev/null
cmake --build build-bench -j2
bench=build-bench/bench
log=$(mktemp)
trap 'rm -f "$log"' EXIT
echo "== load before the run: $(uptime)"
for program in bench_decoder bench_logging bench_retrieval bench_pdf bench_tls; do
  echo "== $program"
  "$bench/$program" "$@" | tee -a "$log"
done
echo "== bench_end_to_end"
sh scripts/as-root.sh "$bench/bench_end_to_end" --runs 3 | tee -a "$log"
echo "== summary (load after the run: $(uptime))"
grep ' baseline ' "$log"
