#!/usr/bin/env bash
# Runs a command in a Wine session of its own on a virtual X display of its
# own, at 96 dots per inch, the resolution Windows programs are laid out for.
# The session ends with the command, so the next one starts on its display.
# The output goes through a file: Wine's background programs inherit the
# command's handles and would keep a pipe to the test runner open.
#   on_virtual_display.sh <wineserver> <command...>   (WINEPREFIX set)
set -uo pipefail
wineserver=$1
shift
log=$(mktemp "${TMPDIR:-/tmp}/korvane-display-XXXXXX")
"$wineserver" -k >/dev/null 2>&1
"$wineserver" -w >/dev/null 2>&1
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -nolisten tcp" \
  sh -c '"$@"; status=$?; "'"$wineserver"'" -k; "'"$wineserver"'" -w; exit $status' sh "$@" \
  >"$log" 2>&1
status=$?
cat "$log"
rm -f "$log"
exit $status
