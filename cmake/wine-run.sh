#!/bin/sh
# Runs one Windows program under the build's private Wine prefix, quietly.
# Usage: wine-run.sh PREFIX [--expect FILE] PROGRAM [ARGS...]
# With --expect, the program's standard output must equal FILE byte for
# byte. The prefix is made by the wine_prefix test fixture; the tests that
# use it hold one lock, so they never run side by side. Where the fixture
# found that Wine cannot run on this machine, exits 77 (CTest: skipped).
set -u
prefix=$1
shift
expect=""
if [ "${1:-}" = "--expect" ]; then
  expect=$2
  shift 2
fi
if [ -f "$prefix.unavailable" ]; then
  echo "wine-run: skipped, 32-bit Wine cannot run here: $(cat "$prefix.unavailable")"
  exit 77
fi
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "$expect" ]; then
  exec wine "$@"
fi
out=$(mktemp)
trap 'rm -f "$out"' EXIT
wine "$@" >"$out" || { echo "wine-run: $1 failed" >&2; exit 1; }
if ! cmp "$expect" "$out"; then
  echo "wine-run: output of $1 differs from $expect" >&2
  exit 1
fi
echo "wine-run: output of $1 matches $(basename "$expect") ($(wc -c <"$out") bytes)"
