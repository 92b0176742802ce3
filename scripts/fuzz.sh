#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs each for a bounded time on a copy of
# its seeds, so the seeds kept in git stay as they are. Prints one summary
# line per target; exits non-zero when any target crashed or reported.
#   scripts/fuzz.sh [seconds per target, default 20]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
build_dir=build/fuzz
artifacts=$build_dir/artifacts

if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ is missing (Debian packages clang and libclang-rt-dev)" >&2
  exit 1
fi

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DKORVANE_FUZZ=ON -DKORVANE_QT=OFF -DKORVANE_TESTS=OFF -DKORVANE_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j 2 --target fuzz_capture_file fuzz_hive_parser fuzz_capture_dump \
  fuzz_remote_line

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$artifacts"
status=0

stat() { sed -n "s/^stat::$1: *//p" "$2" | tail -n 1; }

# fuzz NAME SEEDS: a timed run from a copy of the seeds. Inputs that crash
# are kept in build/fuzz/artifacts.
fuzz() {
  local name=$1 seeds=$2
  local corpus=$work/$name log=$work/$name.log
  mkdir -p "$corpus"
  cp "$seeds"/* "$corpus"/
  if "$build_dir/fuzz/$name" "$corpus" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/$name-" >"$log" 2>&1; then
    printf 'fuzz %-18s ok      %s s, %s runs, %s exec/s, %s inputs in corpus, peak %s MB\n' \
      "$name" "$seconds" "$(stat number_of_executed_units "$log")" \
      "$(stat average_exec_per_sec "$log")" "$(ls "$corpus" | wc -l)" "$(stat peak_rss_mb "$log")"
  else
    printf 'fuzz %-18s FAILED  (input kept in %s)\n' "$name" "$artifacts"
    tail -n 40 "$log"
    status=1
  fi
}

# Capture files that fill the 1 MiB buffer: too big to mutate at a useful
# rate, so each runs once with every invariant checked.
regress_large() {
  local log=$work/large.log
  fuzz/make_seeds.sh large "$work/large"
  if "$build_dir/fuzz/fuzz_capture_file" "$work"/large/* >"$log" 2>&1; then
    printf 'fuzz %-18s ok      %s capture files of 1 MiB and more, every page drawn\n' \
      fuzz_capture_file "$(ls "$work/large" | wc -l)"
  else
    printf 'fuzz %-18s FAILED  on a capture file of 1 MiB or more\n' fuzz_capture_file
    tail -n 40 "$log"
    status=1
  fi
}

regress_large
fuzz fuzz_capture_file fuzz/corpus/capture
fuzz fuzz_hive_parser fuzz/corpus/hive
fuzz fuzz_capture_dump fuzz/corpus/capture
fuzz fuzz_remote_line fuzz/corpus/remote
exit $status
