#!/usr/bin/env bash
# Builds the Windows program (cross-built with mingw-w64) and its installer
# with NSIS: build/windows/korvane-<version>-setup.exe, holding the
# command-line tools too when the build makes them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset windows
cmake --build build/windows --target korvane_installer
ls build/windows/korvane-*-setup.exe
