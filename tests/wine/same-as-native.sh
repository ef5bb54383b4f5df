#!/bin/sh
# Runs the native plothost, copied with its driver into a fresh folder
# without a settings file, and a Windows plothost.exe under Wine from its
# own folder (with whatever lies beside it), with the same arguments: their
# standard output must be the same bytes.
# Usage: same-as-native.sh [--beside FILE] WORK PLOTHOST DRIVER WINE_RUN PREFIX EXE [ARGS...]
# --beside FILE: the native copy gets FILE beside it as its SVG.ini (a
# plothost --cam with no settings file beside it plots in its CAM colours).
set -u
beside=""
if [ "${1:-}" = "--beside" ]; then
  beside=$2
  shift 2
fi
work=$1
plothost=$2
driver=$3
winerun=$4
prefix=$5
exe=$6
shift 6
rm -rf "$work"
mkdir -p "$work/native"
cp "$plothost" "$driver" "$work/native/" || exit 1
[ -z "$beside" ] || cp "$beside" "$work/native/SVG.ini" || exit 1
"$work/native/$(basename "$plothost")" "$@" >"$work/native.out" || {
  echo "same-as-native: the native plothost failed" >&2
  exit 1
}
# The folders a staged copy runs from (--settings, --cam, --view), before
# and after: the Wine tests never run side by side.
staged() { ls -d "$prefix"/drive_c/users/*/Temp/plothost-* 2>/dev/null; }
before=$(staged)
(cd "$(dirname "$exe")" && "$winerun" "$prefix" "$exe" "$@") >"$work/wine.out"
rc=$?
if [ "$rc" = 77 ]; then
  cat "$work/wine.out"  # wine-run's reason for skipping
  exit 77
fi
[ "$rc" = 0 ] || { echo "same-as-native: $exe failed (status $rc)" >&2; exit 1; }
if [ "$(staged)" != "$before" ]; then
  echo "same-as-native: $exe left a staged folder behind: $(staged)" >&2
  exit 1
fi
cmp "$work/native.out" "$work/wine.out" || {
  echo "same-as-native: $exe differs from the native plothost" >&2
  exit 1
}
echo "same-as-native: $(wc -c <"$work/native.out") bytes alike: plothost $*"
