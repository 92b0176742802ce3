#!/usr/bin/env bash
# Builds the Debian package with Debian's own tools (dpkg-buildpackage and
# debhelper, in Release, only the programs it ships) and checks it with
# lintian:
#   scripts/package.sh            -> build/deb/korvane_VERSION_ARCH.deb
# The version is the one in CMakeLists.txt's project(); packaging/debian holds
# the package's rules, and the changelog is written here from that version.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh run packaging

version=$(sed -n 's/^project(korvane VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
if [[ -z $version ]]; then
  echo "package: no version in CMakeLists.txt's project(korvane VERSION ...)" >&2
  exit 1
fi
out_dir=build/deb
stage=$out_dir/korvane-$version
arch=$(dpkg --print-architecture)
deb=$out_dir/korvane_${version}_$arch.deb

# The package's folder: a copy of the source tree's files (as git lists
# them, new files included), debian/ from packaging/, and a changelog.
# Debian's tools build inside that folder; the copy keeps the files' times
# and the build folder (obj/) is kept between runs, so a second run is quick.
mkdir -p "$stage"
find "$stage" -mindepth 1 -maxdepth 1 ! -name obj -exec rm -rf {} +
rm -f "$out_dir"/korvane*.deb "$out_dir"/korvane*.buildinfo "$out_dir"/korvane*.changes
source_files() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard |
      xargs -0 sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh
  else
    find . -path ./build -prune -o -path ./.git -prune -o ! -type d -printf '%P\0'
  fi
}
source_files | tar --null --files-from=- -cf - | tar -xf - -C "$stage"
cp -r packaging/debian "$stage/debian"
maintainer=$(sed -n 's/^Maintainer: //p' packaging/debian/control)
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || date +%s)
fi
export SOURCE_DATE_EPOCH
cat >"$stage/debian/changelog" <<EOF
korvane ($version) unstable; urgency=medium

  * Release $version.

 -- $maintainer  $(date -u -R -d "@$SOURCE_DATE_EPOCH")
EOF

export DEB_BUILD_OPTIONS=${DEB_BUILD_OPTIONS:-parallel=$(nproc)}
started=$(date +%s)
(cd "$stage" && nice dpkg-buildpackage --build=binary --no-pre-clean --no-sign)
echo "package: built $deb in $(($(date +%s) - started)) s"

# Errors and warnings fail the build: a warning that must stay gets an
# override with its reason (packaging/debian/korvane.lintian-overrides) and a
# line in the README's packaging section. Information tags are shown.
lintian --fail-on error,warning --display-info "$deb"
echo "$deb"
