#!/usr/bin/env bash
# Installs the monitor into a temporary prefix, starts the installed program
# on a virtual X display, waits for its window and ends it.
#   desktop_smoke_test.sh BUILD_DIR
# The window is ended with SIGTERM: closing it through X would need a
# window-manager or automation tool the test machines do not have.
set -euo pipefail
build_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build_dir" --prefix "$work/prefix" --component monitor >/dev/null

for installed in \
    bin/korvane \
    share/applications/korvane.desktop \
    share/mime/packages/korvane-capture.xml \
    share/icons/hicolor/32x32/apps/korvane.png \
    share/icons/hicolor/16x16/apps/korvane.png \
    share/icons/hicolor/32x32/mimetypes/application-x-korvane-capture.png \
    share/icons/hicolor/16x16/mimetypes/application-x-korvane-capture.png; do
  if [[ ! -s "$work/prefix/$installed" ]]; then
    echo "not installed: $installed" >&2
    exit 1
  fi
done
grep -qx 'Exec=korvane %f' "$work/prefix/share/applications/korvane.desktop"
grep -q 'MimeType=application/x-korvane-capture;' "$work/prefix/share/applications/korvane.desktop"
grep -q '<glob pattern="\*.kvn"/>' "$work/prefix/share/mime/packages/korvane-capture.xml"

# Inside the virtual display: start, wait up to 30 s for the window, end it.
cat >"$work/on_display.sh" <<'INNER'
set -u
program=$1
"$program" &
pid=$!
found=1
for _ in $(seq 1 300); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Untitled - KORVANE"'; then
    found=0
    break
  fi
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "the monitor ended before its window appeared" >&2
    break
  fi
  sleep 0.1
done
kill -TERM "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit $found
INNER

export XDG_CONFIG_HOME="$work/config"
export KORVANE_REGISTRY="$work/config/registry.reg"
export ASAN_OPTIONS=detect_leaks=0
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/on_display.sh" "$work/prefix/bin/korvane"
