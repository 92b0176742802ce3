#!/usr/bin/env bash
# Installs the Debian packages of the named groups, skipping those already
# present. Uses sudo when not root.
#   scripts/install-deps.sh [GROUP]...    (no GROUP: every group)
# Groups:
#   run          build and run the monitor, the recorder, the dump and the
#                line simulator
#   linux-tests  the Linux tests, fuzz targets and benchmarks, and the real
#                peers they run against
#   windows      cross-build the Windows program, run its tests under Wine,
#                make its installer
#   packaging    build the Debian package and check it as Debian's tools do
set -euo pipefail

group_run=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl1-mesa-dev fonts-dejavu-core
)
group_linux_tests=(
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils procps python3 shared-mime-info desktop-file-utils
  # The checks of the manual pages and the AppStream metainfo.
  man-db appstream
  # Real peers of the tests: ser2net serves remote lines, tshark reads the
  # capture exports, lintian checks the Debian package.
  ser2net tshark lintian
)
group_windows=(
  cmake ninja-build python3 libgtest-dev libgmock-dev
  # The mingw-w64 cross compiler, and Wine to run its tests.
  g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64
  # The Windows program's desktop tests and screenshot (Wine's own fonts,
  # a virtual display, xwd) and its installer.
  fonts-wine xvfb xauth x11-utils x11-apps nsis
  # The Windows recorder's remote-line test: ser2net serves the line, pkill
  # hands Ctrl+C to the program under Wine.
  ser2net procps
)
group_packaging=(
  debhelper dpkg-dev fakeroot lintian
  # The checks of what the package installs: AppStream metainfo, man pages,
  # the desktop entry and the MIME type.
  appstream man-db desktop-file-utils shared-mime-info xdg-utils
)

groups=("$@")
if ((${#groups[@]} == 0)); then
  groups=(run linux-tests windows packaging)
fi

packages=()
for group in "${groups[@]}"; do
  case $group in
    run) packages+=("${group_run[@]}") ;;
    linux-tests) packages+=("${group_linux_tests[@]}") ;;
    windows) packages+=("${group_windows[@]}") ;;
    packaging) packages+=("${group_packaging[@]}") ;;
    *)
      echo "install-deps: no group \"$group\" (run, linux-tests, windows, packaging)" >&2
      exit 2
      ;;
  esac
done

missing=()
for package in $(printf '%s\n' "${packages[@]}" | sort -u); do
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
