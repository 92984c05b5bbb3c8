#!/usr/bin/env bash
# The fuzz targets over their checked-in corpora (fuzz/corpus/<target>/), in one of two modes:
#   fuzz.sh check <fuzz build folder>
#       make test: each target with a fixed seed for a fixed number of runs, so that every run
#       tries the same inputs and gives the same verdict. Every input a fuzzer ever failed on is
#       in its corpus, so this replays them all. The inputs it makes up go to a scratch folder
#       under the build folder, emptied first; the checked-in corpus is only read.
#   fuzz.sh explore <fuzz build folder> <seconds per target>
#       make fuzz: each target with a random seed for that long, looking for new faults. New
#       inputs go to a work copy of the corpus under the build folder, kept from run to run.
# A failure stops the run and leaves its input in the build folder (crash-*, leak-*, timeout-*);
# once the fault is mended, that input goes into fuzz/corpus/<target>/.
set -euo pipefail
usage() {
  echo "usage: fuzz.sh check <fuzz build folder> | fuzz.sh explore <fuzz build folder> <seconds>" >&2
  exit 2
}
[ $# -ge 2 ] || usage
mode=$1
case $mode in
  check) [ $# -eq 2 ] || usage ;;
  explore) [ $# -eq 3 ] || usage; seconds=$3 ;;
  *) usage ;;
esac
build=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)

# Check mode's seed, and each target's runs: a few seconds each on this 2-core machine.
seed=1
declare -A runs=([address]=2000000 [profile]=4000 [transfer]=8000 [elf]=50000 [http]=500000)
# The same seed takes the same course only at the same addresses: libFuzzer hashes the program
# counters of comparisons into the tables its mutations draw on. So check mode runs the targets
# with address space randomisation off.
fixed=(setarch "$(uname -m)" -R)
if [ "$mode" = check ] && ! "${fixed[@]}" true 2>/dev/null; then
  echo "fuzz: address space randomisation cannot be turned off here; runs may differ" >&2
  fixed=()
fi

for target in address profile transfer elf http; do
  exe="$build/fuzz_${target^}"
  seeds="$root/fuzz/corpus/$target"
  log="$build/fuzz-$target.log"
  options=(-max_len=4096 -timeout=10 -print_final_stats=1)
  # A target's dictionary (fuzz/<target>.dict): words of its input for the mutations to use.
  [ -f "$root/fuzz/$target.dict" ] && options+=(-dict="$root/fuzz/$target.dict")
  if [ "$mode" = check ]; then
    # The first folder gets what the fuzzer adds; the checked-in one is only read. No rereading
    # of the folders on the clock (-reload=0), which would change the course.
    scratch="$build/check/$target"
    rm -rf "$scratch"
    mkdir -p "$scratch"
    echo "fuzz $target: seed $seed, ${runs[$target]} runs from $(ls "$seeds" | wc -l) checked-in inputs"
    command=("${fixed[@]}" "$exe" "${options[@]}" -seed="$seed" -runs="${runs[$target]}" -reload=0 "$scratch" "$seeds")
  else
    work="$build/corpus/$target"
    mkdir -p "$work"
    cp -n "$seeds/"* "$work/" 2>/dev/null || true
    echo "fuzz $target: ${seconds}s"
    command=("$exe" "${options[@]}" -max_total_time="$seconds" "$work")
  fi
  (cd "$build" && "${command[@]}" 2>"$log") || {
    tail -n 40 "$log"
    echo "fuzz $target: FAILED (log: $log)"
    exit 1
  }
  if [ "$mode" = check ]; then
    echo "fuzz $target: passed"
  else
    # The seed libFuzzer chose, to take the same course again with -seed=N.
    grep -m1 -E '^INFO: Seed: ' "$log" | sed "s/^INFO: Seed: /fuzz $target: seed /"
    grep -E 'stat::number_of_executed_units' "$log" | sed "s/^/fuzz $target: /"
  fi
done
