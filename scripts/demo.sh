#!/usr/bin/env bash
# The monitor without serial hardware: installs what is missing, builds the
# monitor and the line simulator, starts the simulator with request and
# reply traffic on COM3 and COM4 (the monitor's default ports) at 115200 baud,
# then the monitor. Choose Action > Connect... and the capture starts at once.
# Closing the monitor stops the simulator, which removes its ports.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh run

build_dir=${KORVANE_BUILD_DIR:-build/release}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_TESTS=OFF -DKORVANE_BENCH=OFF
cmake --build "$build_dir" --target korvane korvane-linesim

"$build_dir/tools/line_simulator/korvane-linesim" --pattern protocol --baud 115200 --wait-for-open --replace &
simulator=$!
trap 'kill "$simulator" 2>/dev/null || true; wait "$simulator" 2>/dev/null || true' EXIT INT TERM

ports="${XDG_CONFIG_HOME:-$HOME/.config}/korvane/ports"
for _ in $(seq 100); do
  [[ -L "$ports/COM3" && -L "$ports/COM4" ]] && break
  kill -0 "$simulator" 2>/dev/null || { echo "the line simulator did not start" >&2; exit 1; }
  sleep 0.1
done

"$build_dir/app/korvane" "$@"
