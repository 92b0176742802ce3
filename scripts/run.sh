#!/usr/bin/env bash
# Installs what is missing, builds the monitor and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build_dir=build/release
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_TESTS=OFF -DKORVANE_BENCH=OFF
cmake --build "$build_dir" --target korvane
exec "$build_dir/app/korvane" "$@"
