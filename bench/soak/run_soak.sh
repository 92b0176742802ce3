#!/usr/bin/env bash
# The soak run: builds the monitor's soak harness and the line simulator
# (Release), then runs both lines at 256000 baud through the real monitor
# until its 32 MiB store is full, once with a 10 ms and once with a 100 ms
# polling period. Each run takes about five and a half minutes at 256000
# baud; --baud takes any rate the monitor takes (a list entry or a typed
# rate such as 921600 or 3000000: about 35 s to fill the store at 3000000).
#   bench/soak/run_soak.sh [--baud N] [POLL_MS ...]
set -euo pipefail
cd "$(dirname "$0")/../.."

build_dir=${KORVANE_SOAK_BUILD:-build/soak}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_SANITIZE=OFF >/dev/null
cmake --build "$build_dir" --target korvane-soak korvane-linesim -- -j2

baud=256000
if [ "${1:-}" = --baud ]; then
  baud=$2
  shift 2
fi
polls=("$@")
((${#polls[@]})) || polls=(10 100)

echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -1)," \
  "$(free -h | awk '/^Mem:/ {print $2}') memory, load $(cut -d' ' -f1-3 /proc/loadavg)"
status=0
for poll in "${polls[@]}"; do
  echo "== POLLTIME $poll ms, $baud baud"
  "$build_dir/bench/soak/korvane-soak" --poll-ms "$poll" --baud "$baud" \
    2>"$build_dir/soak-$poll-$baud.stderr" || status=1
done
exit $status
