#!/bin/sh
# Renders one SVG with rsvg-convert and checks the PNG with pngprobe.
#
# Usage: render-probe.sh SVG PNGPROBE "RSVG-OPTIONS" PNGPROBE-ARGS...
# RSVG-OPTIONS are split at blanks; in PNGPROBE-ARGS the word PNG stands
# for the rendered file.
set -u
svg=$1
probe=$2
options=$3
shift 3
png=$svg.png
rm -f "$png"
# shellcheck disable=SC2086
rsvg-convert $options "$svg" -o "$png" || { echo "render-probe: rsvg-convert failed" >&2; exit 1; }
for a in "$@"; do
  shift
  [ "$a" = PNG ] && a=$png
  set -- "$@" "$a"
done
exec "$probe" "$@"
