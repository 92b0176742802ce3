#!/usr/bin/env bash
# Installs the Debian packages the monitor needs to build, run and test,
# skipping those already present. Uses sudo when not root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl1-mesa-dev fonts-dejavu-core
  xvfb xauth x11-utils procps python3 shared-mime-info desktop-file-utils
  # The Windows build: the mingw-w64 cross compiler, and Wine to run its tests.
  g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64
  # The Windows program's desktop tests and screenshot (Wine's own fonts,
  # xwd) and its installer.
  fonts-wine x11-apps nsis
  # Real peers of the tests: ser2net serves remote lines, tshark reads the
  # capture exports, lintian checks the Debian package.
  ser2net tshark lintian
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  sudo_cmd=(sudo)
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
