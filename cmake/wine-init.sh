#!/bin/sh
# Creates the build's private Wine prefix once, before the Wine tests, and
# waits (bounded) until its server has settled.
# Usage: wine-init.sh PREFIX
#
# 32-bit Wine needs a kernel that runs 32-bit programs. Where Wine cannot
# start at all (no such support, or a prefix that will not boot), this
# writes the reason to PREFIX.unavailable and succeeds: the
# Wine tests then report themselves skipped with that reason (wine-run.sh,
# exit status 77) instead of failing for the machine's sake. A Wine test that
# starts and then fails is always a failure.
set -u
prefix=$1
marker=$prefix.unavailable
log=$prefix.boot.log
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -f "$marker"

unavailable() {
  echo "wine-init: 32-bit Wine cannot run on this machine: $1" >&2
  echo "wine-init: the Wine tests will be reported as skipped" >&2
  [ -f "$log" ] && { echo "--- $log:" >&2; tail -n 20 "$log" >&2; }
  echo "$1" >"$marker"
  exit 0
}

command -v wine >/dev/null 2>&1 || unavailable "wine is not installed"
[ -x /usr/lib/wine/wine ] || unavailable "32-bit Wine (wine32) is not installed"
/usr/lib/wine/wine --version >/dev/null 2>&1 ||
  unavailable "the kernel does not run 32-bit programs (/usr/lib/wine/wine)"

ready() {
  [ -f "$prefix/system.reg" ] && [ -f "$prefix/drive_c/windows/system32/kernel32.dll" ]
}

# Two tries: a first boot can fail on a loaded machine. Output goes to a
# log, not to CTest's pipe, so that Wine's background processes never hold
# the test open.
try=0
while ! ready; do
  try=$((try + 1))
  [ "$try" -le 2 ] || unavailable "wineboot could not create the prefix"
  timeout -k 10 300 wineserver -k >/dev/null 2>&1
  rm -rf "$prefix"
  mkdir -p "$prefix"
  timeout -k 10 600 wineboot --init >"$log" 2>&1 </dev/null ||
    echo "wine-init: wineboot failed (try $try)" >&2
  timeout -k 10 300 wineserver -w >/dev/null 2>&1 </dev/null ||
    timeout -k 10 60 wineserver -k >/dev/null 2>&1
done
# The prefix must also run a program: Wine's own command interpreter.
said=$(timeout -k 10 300 wine cmd.exe /c echo ready 2>>"$log" </dev/null | tr -d '\r')
[ "$said" = ready ] || unavailable "Wine boots the prefix but runs no program"
echo "wine-init: prefix ready at $prefix"
