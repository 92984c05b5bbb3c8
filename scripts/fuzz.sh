#!/usr/bin/env bash
# Runs each fuzz target for a bounded time from its checked-in seed corpus.
#   fuzz.sh <fuzz build folder> <seconds per target>
# New inputs go to a work copy of the corpus under the build folder; a crash fails the run and
# leaves its input there (crash-*) to be added to the seeds once fixed.
set -euo pipefail
build=$(cd "$1" && pwd) seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
for target in address profile transfer elf http; do
  exe="$build/fuzz_${target^}"
  work="$build/corpus/$target"
  mkdir -p "$work"
  cp -n "$root/fuzz/corpus/$target/"* "$work/" 2>/dev/null || true
  echo "fuzz $target: ${seconds}s"
  (cd "$build" && "$exe" -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=1 "$work" \
    2> "$build/fuzz-$target.log") || { tail -n 40 "$build/fuzz-$target.log"; echo "fuzz $target: FAILED"; exit 1; }
  grep -E 'stat::number_of_executed_units' "$build/fuzz-$target.log" | sed "s/^/fuzz $target: /"
done
