#!/bin/sh
# What two other programs make of plots with switches, where they are
# installed (scripts/install-deps.sh viewers); otherwise skipped (77).
#   inkscape SVG PNGPROBE: layer 1 exported alone (--export-id) shows its
#     pad and nothing of layer 0 or the page.
#   chromium SVG PNGPROBE: a browser engine draws the SeeThroughHoles plot
#     with its openings: hole centres transparent, pad rings and page kept.
# Both render the 3400 x 3400 unit switch plot at 340 x 340 pixels.
set -u
viewer=$1
svg=$2
probe=$3
png=$svg.$viewer.png
rm -f "$png"
command -v "$viewer" >/dev/null 2>&1 || { echo "viewers: no $viewer here; skipped"; exit 77; }
case "$viewer" in
  inkscape)
    inkscape --export-id=layer1 --export-id-only --export-area-page --export-width=340 \
      --export-type=png --export-filename="$png" "$svg" 2>/dev/null
    exec "$probe" "$png" 60 183 4169E1 60 253 00000000 150 100 00000000
    ;;
  chromium)
    page=$svg.html
    printf '<html><body style="margin:0"><img src="file://%s" width="340" height="340"></body></html>\n' \
      "$(cd "$(dirname "$svg")" && pwd)/$(basename "$svg")" >"$page"
    timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
      --default-background-color=00000000 --window-size=340,340 \
      --screenshot="$png" "file://$(cd "$(dirname "$page")" && pwd)/$(basename "$page")" \
      >/dev/null 2>&1
    exec "$probe" "$png" 60 190 00000000 60 183 4169E1 60 260 00000000 60 253 32CD32 150 100 FFFFFF
    ;;
esac
echo "usage: viewers.sh inkscape|chromium SVG PNGPROBE" >&2
exit 2
