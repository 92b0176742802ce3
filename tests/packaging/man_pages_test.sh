#!/usr/bin/env bash
# Each program's manual page has an entry for exactly the options its --help
# names and gives the same ranges of values, and every page renders without a
# groff warning.
#   man_pages_test.sh MAN_DIR PROGRAM...
# MAN_DIR holds NAME.1 for each PROGRAM and for the monitor (korvane.1).
set -euo pipefail
man_dir=$1
shift
status=0

# The long options a text names, one a line, sorted; roff's \- is a hyphen.
options_in() { sed 's/\\-/-/g' | grep -o -- '--[a-z][a-z0-9-]*' | sort -u; }
# The tags of a page's entries: the line after each .TP.
entry_tags() { awk 'tag { print; tag = 0 } /^\.TP/ { tag = 1 }' "$1"; }

for program in "$@"; do
  name=$(basename "$program")
  page=$man_dir/$name.1
  if [[ ! -f $page ]]; then
    echo "$name: no manual page $page" >&2
    status=1
    continue
  fi
  help_options=$("$program" --help | options_in)
  page_options=$(entry_tags "$page" | options_in)
  if [[ $help_options != "$page_options" ]]; then
    echo "$name: --help and the entries of $page name different options (< help only, > page only):" >&2
    diff <(echo "$help_options") <(echo "$page_options") | grep '^[<>]' >&2 || true
    status=1
  fi
  # The ranges --help gives ("1 to 999") are the page's too.
  page_text=$(sed 's/\\-/-/g' "$page")
  while IFS= read -r range; do
    if [[ -n $range && $page_text != *"$range"* ]]; then
      echo "$name: --help gives the range \"$range\" and $page does not" >&2
      status=1
    fi
  done < <("$program" --help | grep -o '[0-9][0-9]* to [0-9][0-9]*' | sort -u)
done

for page in "$man_dir"/*.1; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  if [[ -n $warnings ]]; then
    echo "$(basename "$page"): groff warns:" >&2
    echo "$warnings" >&2
    status=1
  fi
done
exit $status
