#!/bin/sh
# The printed size of an SVG: rsvg-convert makes a PDF of it, whose page
# (MediaBox, in points of 1/72 inch) must measure W by H millimetres within
# 0.05 mm.
#
# Usage: pdf-size.sh SVG W_MM H_MM
set -u
svg=$1 want_w=$2 want_h=$3
pdf=$svg.pdf
rm -f "$pdf"
rsvg-convert -f pdf "$svg" -o "$pdf" || { echo "pdf-size: rsvg-convert failed" >&2; exit 1; }
box=$(grep -a -o '/MediaBox *\[[^]]*\]' "$pdf" | head -1)
[ -n "$box" ] || { echo "pdf-size: no MediaBox in $pdf" >&2; exit 1; }
echo "$box" | tr -d '/[]' | awk -v w="$want_w" -v h="$want_h" '{
  gw = ($4 - $2) * 25.4 / 72; gh = ($5 - $3) * 25.4 / 72
  printf "page %.3f x %.3f mm, expected %s x %s mm\n", gw, gh, w, h
  d1 = gw - w; d2 = gh - h
  exit !(d1 < 0.05 && d1 > -0.05 && d2 < 0.05 && d2 > -0.05) }'
