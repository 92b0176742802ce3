#!/usr/bin/env bash
# Writes the fuzz targets' seed inputs.
#   make_seeds.sh small DIR   small seeds: DIR/capture and DIR/hive (the ones
#                             kept in fuzz/corpus are made by this)
#   make_seeds.sh large DIR   capture files that fill the 1 MiB buffer, run
#                             once each as regression inputs: too big to mutate
#                             at a useful rate
set -euo pipefail

mode=${1:?small or large}
out=${2:?output folder}

# record LEN TAG LABEL DATA-ESCAPES: one capture record, as printf escapes.
record() {
  printf "\\$(printf '%03o' "$1")\\$(printf '%03o' "$2")%-8.8s$4" "$3"
}

small() {
  local c=$out/capture h=$out/hive
  mkdir -p "$c" "$h"
  record 1 1 "000007: " 'A' >"$c/one_byte_port_a"
  { record 16 1 "000001: " 'ABCDEFGHIJKLMNOP'
    record 3 2 "000001: " '\r\n\000'
    record 2 1 "000002: " '\000\000'; } >"$c/two_ports_one_tick"
  { record 4 0 "000003: " 'tag0'
    record 4 3 "000003: " 'tag3'
    record 1 2 "1000000:" '\377'; } >"$c/other_tags_long_labels"
  { for i in $(seq 1 23); do record 1 1 "$(printf '%06d: ' "$i")" 'x'; done; } >"$c/two_pages"
  { record 2 1 "000001: " 'ok'
    record 17 1 "000001: " '0123456789abcdefg'; } >"$c/length_17_on_page"
  { record 2 1 "000001: " 'ok'
    printf '\200\001000001: '; } >"$c/length_128"
  { record 5 2 "000009: " 'cut'; } >"$c/cut_short"

  printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Korvane]\r\n"DataBit1"="8"\r\n"Parity1"=hex(1):4e,4f,4e,45,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,\\\r\n  00\r\n"Port1"=hex(1):43,4f,4d,31,32,33,34,35\r\n"Disable"=hex(1):30\r\n"POLLTIME"="10"\r\n\r\n' >"$h/settings"
  printf '\xef\xbb\xbfREGEDIT4\n; comment\n[HKEY_CURRENT_USER\\A]\n@="default \\"quoted\\" \\\\ path"\n"N"=dword:0000002a\n"B"=hex:00,ff\n[hkey_current_user\\a]\n"n"=hex(7):41,00,00\n' >"$h/merged_keys"
  printf 'REGEDIT4\n' >"$h/empty"
}

large() {
  mkdir -p "$out"
  local work
  work=$(mktemp -d)
  # Doubling a file of one record 16 times gives 65,536 records.
  record 16 1 "000001: " 'sixteen bytes...' >"$work/r26"
  record 1 2 "000002: " 'z' >"$work/r11"
  for size in 26 11; do
    for _ in $(seq 1 16); do cat "$work/r$size" "$work/r$size" >"$work/d" && mv "$work/d" "$work/r$size"; done
  done
  # 1 MiB of 26-byte records ends 22 bytes into a record the buffer cuts short.
  head -c 1048576 "$work/r26" >"$out/buffer_ends_in_a_record"
  # Longer than the buffer: only its first MiB is read.
  cat "$work/r26" >"$out/longer_than_the_buffer"
  # The most records the buffer can hold, 11 bytes each.
  cat "$work/r11" "$work/r11" >"$work/d"
  head -c 1048576 "$work/d" >"$out/smallest_records_fill_the_buffer"
  rm -rf "$work"
}

"$mode"
