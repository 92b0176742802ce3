#!/usr/bin/env bash
# Installs what is missing and cross-builds the Windows program (korvane.exe)
# and its tests with mingw-w64, into build/windows. The tests then run under
# Wine with `ctest --preset windows`.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh windows

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake --preset windows "${launcher[@]}"
cmake --build --preset windows
program=$(find build/windows -name korvane.exe -not -path "*/wine/*" -print -quit)
if [[ -n $program ]]; then
  echo "Built $program"
fi
