#!/usr/bin/env bash
# Installs what is missing to build and run (the "run" group alone), builds
# the monitor and its command-line tools into build/release, and starts the
# monitor. The tools stay in build/release/tools/ (see the README).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh run

build_dir=build/release
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_TESTS=OFF -DKORVANE_BENCH=OFF
cmake --build "$build_dir" --target korvane korvane-record korvane-dump korvane-linesim
exec "$build_dir/app/korvane" "$@"
