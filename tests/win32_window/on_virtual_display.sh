#!/usr/bin/env bash
# Runs a command on a virtual X display of its own at 96 dots per inch, the
# resolution Windows programs are laid out for.
#   on_virtual_display.sh <command...>
set -euo pipefail
exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -nolisten tcp" "$@"
