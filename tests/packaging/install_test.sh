#!/usr/bin/env bash
# Installs the Debian package with apt, checks what it put in place as a
# desktop and a shell see it, then purges it and checks that none of its
# files is left:
#   tests/packaging/install_test.sh build/deb/korvane_VERSION_ARCH.deb
# Needs root (apt); prints why and exits 0 when not root.
set -euo pipefail

deb=$(realpath "$1")
if [[ $(id -u) -ne 0 ]]; then
  echo "package install test: skipped, installing a package needs root (CI runs as root)"
  exit 0
fi
if dpkg-query -W -f='${Status}' korvane 2>/dev/null | grep -q "ok installed"; then
  echo "package install test: korvane is installed already; remove it first (apt purge korvane)" >&2
  exit 1
fi

work=$(mktemp -d)
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
apt_quiet() {
  DEBIAN_FRONTEND=noninteractive apt "$@" -y -q -o DPkg::Lock::Timeout=300 >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; return 1; }
}
installed=0
cleanup() {
  if ((installed)); then apt_quiet purge korvane || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

version=$(dpkg-deb -f "$deb" Version)
apt_quiet install "$deb"
installed=1
dpkg-query -L korvane >"$work/listed"

# dpkg may be told to leave paths out (path-exclude, as slim container
# images do for manual pages); such paths are not looked for.
mapfile -t dpkg_filters < <(cat /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/* 2>/dev/null |
  sed -n 's/^\(path-exclude\|path-include\)[= ]\(.*\)/\1 \2/p')
left_out_by_dpkg() { # PATH: the last filter that matches decides
  local filter verdict=1
  for filter in "${dpkg_filters[@]}"; do
    # shellcheck disable=SC2053 # the filter is a glob
    if [[ $1 == ${filter#* } ]]; then
      [[ $filter == path-exclude* ]] && verdict=0 || verdict=1
    fi
  done
  return $verdict
}
if ((${#dpkg_filters[@]})); then
  echo "package install test: dpkg filters paths (${dpkg_filters[*]}); paths it leaves out are not checked"
fi

# Every file the package lists is in place.
while IFS= read -r path; do
  [[ -e $path ]] || left_out_by_dpkg "$path" || fail "listed but missing: $path"
done <"$work/listed"
for program in korvane korvane-record korvane-dump korvane-linesim; do
  grep -qx "/usr/bin/$program" "$work/listed" || fail "$program is not in the package"
  if left_out_by_dpkg "/usr/share/man/man1/$program.1.gz"; then continue; fi
  page=$(man -w "$program" 2>/dev/null) || fail "man -w $program finds no manual page"
  [[ ${page:-} == /usr/share/man/man1/$program.1.gz ]] || fail "man -w $program gives '${page:-}'"
done

# The tools print the package's version.
for tool in korvane-record korvane-dump korvane-linesim; do
  printed=$("/usr/bin/$tool" --version 2>&1) || fail "$tool --version failed"
  [[ $printed == "$tool $version" ]] || fail "$tool --version printed '$printed', not '$tool $version'"
done

# The desktop entry, the software catalogue's entry and the MIME type.
desktop=/usr/share/applications/korvane.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
appstreamcli validate --no-net /usr/share/metainfo/org.korvane.monitor.metainfo.xml >"$work/as.log" 2>&1 ||
  { cat "$work/as.log" >&2; fail "appstreamcli validate"; }
grep -qx 'application/x-korvane-capture:\*.kvn' /usr/share/mime/globs ||
  fail "the MIME database does not map *.kvn to application/x-korvane-capture"

# A clean user: no settings, no personal MIME associations.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_DATA_DIRS=/usr/local/share:/usr/share XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
default=$(xdg-mime query default application/x-korvane-capture)
[[ $default == korvane.desktop ]] || fail "xdg-mime names '$default' for .kvn files, not korvane.desktop"

# The monitor started from the entry's Exec line, as a desktop does when a
# .kvn file is opened (%f is the file).
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
start_from_entry() { # FILE: the Exec line with %f replaced, from the installed PATH
  local command=${exec_line//%f/$1}
  # shellcheck disable=SC2086 # the Exec line is split into words as a desktop does
  PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen timeout 20 $command
}
printf '\x02\x01000001: AB\x03\x02000001: xyz' >"$work/two-records.kvn"
start_from_entry "$work/two-records.kvn" 2>"$work/monitor.err" &
monitor=$!
sleep 3
if kill -0 "$monitor" 2>/dev/null; then
  kill -TERM "$monitor"
  wait "$monitor" 2>/dev/null || true
  if grep -qi "cannot open\|can not" "$work/monitor.err"; then
    fail "the monitor did not open the capture file: $(cat "$work/monitor.err")"
  fi
else
  wait "$monitor" 2>/dev/null || true
  fail "the monitor started from '$exec_line' ended at once: $(cat "$work/monitor.err")"
fi
# The file named reaches the program: a missing one is reported by name on
# standard error (and in a box, which nobody answers here).
start_from_entry "$work/absent.kvn" 2>"$work/absent.err" </dev/null &
monitor=$!
for _ in $(seq 150); do
  grep -q "cannot open $work/absent.kvn" "$work/absent.err" && break
  kill -0 "$monitor" 2>/dev/null || break
  sleep 0.1
done
kill -TERM "$monitor" 2>/dev/null || true
wait "$monitor" 2>/dev/null || true
grep -q "cannot open $work/absent.kvn" "$work/absent.err" ||
  fail "the monitor did not name the missing file: $(cat "$work/absent.err")"

# Purge: nothing of the package is left, and the MIME database forgets .kvn.
# The package has no configuration files, so remove leaves no more than purge.
[[ -z $(dpkg-query -W -f='${Conffiles}' korvane) ]] ||
  fail "the package has configuration files that remove would leave behind"
apt_quiet purge korvane
installed=0
while IFS= read -r path; do
  if [[ -d $path ]]; then
    # Shared folders (/usr/bin) stay; the package's own go.
    if [[ $path == *korvane* && -e $path ]]; then fail "left after purge: $path"; fi
  elif [[ -e $path || -L $path ]]; then
    fail "left after purge: $path"
  fi
done <"$work/listed"
if dpkg-query -W -f='${Status}' korvane 2>/dev/null | grep -q " installed\| config-files"; then
  fail "dpkg still knows korvane after purge"
fi
if grep -q 'korvane' /usr/share/mime/globs; then
  fail "the MIME database still maps .kvn after purge"
fi
[[ -z $(xdg-mime query default application/x-korvane-capture) ]] ||
  fail "xdg-mime still names a program for .kvn files after purge"

if ((failures)); then
  echo "package install test: $failures failures" >&2
  exit 1
fi
echo "package install test: $(wc -l <"$work/listed") paths installed and purged, all checks passed"
