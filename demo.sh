#!/bin/sh
# Quick start: installs what is missing (as root on Debian), builds the
# native driver and plothost, plots the built-in demo board to demo.svg and
# renders demo.png from it with rsvg-convert; then a board's Gerber and
# Excellon files through plothost --cam.
#
# A native-only build of its own (build-demo/) without the tests, so it
# needs neither the test tools nor the MinGW cross compiler nor Wine, and
# leaves test.sh's build/ alone.
set -eu
cd "$(dirname "$0")"
scripts/install-deps.sh demo

cmake -S . -B build-demo -DCMAKE_BUILD_TYPE=Release -DDRV_WINDOWS=OFF -DDRV_TESTS=OFF
cmake --build build-demo -j "$(nproc)" --target plothost svgdrv

build-demo/bin/plothost -o demo.svg
# 12 pixels per millimetre of the plot, on white.
rsvg-convert --zoom 12 --background-color white demo.svg -o demo.png

echo
echo "Demo board plotted by the driver: $(pwd)/demo.svg"
echo "Rendered by rsvg-convert:         $(pwd)/demo.png"
echo "Driver and host:                  $(pwd)/build-demo/bin/svgdrv.so, $(pwd)/build-demo/bin/plothost"

# The bottom side as a user of the plot switches sees it: mirrored, drill
# holes open (transparent in the PNG). The driver reads SVG.ini beside the
# host program, so a copy of plothost and the driver gets one of its own.
bottom=build-demo/bottom
mkdir -p "$bottom"
cp build-demo/bin/plothost build-demo/bin/svgdrv.so "$bottom/"
printf '[Setup]\r\nMirror=1\r\nSeeThroughHoles=1\r\n' >"$bottom/SVG.ini"
"$bottom/plothost" -o demo-bottom.svg
rsvg-convert --zoom 12 demo-bottom.svg -o demo-bottom.png
echo "Bottom view (Mirror, SeeThroughHoles): $(pwd)/demo-bottom.png"

# plothost as the host of a real board's Gerber and Excellon files (--cam):
# the small board of the tests (top copper, outline, drill file).
build-demo/bin/plothost -q --cam -o demo-board.svg tests/cam/boards/basic/*
rsvg-convert --zoom 16 --background-color white demo-board.svg -o demo-board.png
echo "Gerber board plotted (--cam):     $(pwd)/demo-board.png"

# And gerbv's protel-pnp example board, all its CAM layers, where gerbv's
# examples are installed. Each file lands on the host layer its name gives
# (plothost --cam --layers-map prints the table); the mechanical layer 2
# (.GM2) has no layer of its own and joins the other drawings on 19; the
# Excellon drill file is the .TXT.
pnp=/usr/share/doc/gerbv/examples/protel-pnp
if [ -f "$pnp/SE_SG_IF_V2.GTL" ]; then
  build-demo/bin/plothost -q --cam --layer "$pnp/SE_SG_IF_V2.GM2=19" -o demo-gerbv.svg \
    "$pnp"/SE_SG_IF_V2.G?? "$pnp/SE_SG_IF_V2.TXT"
  rsvg-convert --zoom 4 --background-color white demo-gerbv.svg -o demo-gerbv.png
  echo "gerbv's protel-pnp board plotted: $(pwd)/demo-gerbv.png"
fi

# The same board as it comes from the fab (--view): substrate in the
# outline's shape, copper under a translucent green mask, gold where the
# mask is open, white silkscreen, holes through; the bottom seen from below.
if [ -f "$pnp/SE_SG_IF_V2.GTL" ]; then
  for side in top bottom; do
    build-demo/bin/plothost -q --cam --view "$side" -o "demo-board-$side.svg" \
      "$pnp"/SE_SG_IF_V2.G?? "$pnp/SE_SG_IF_V2.TXT"
    rsvg-convert --zoom 10 --background-color white "demo-board-$side.svg" -o "demo-board-$side.png"
    echo "protel-pnp board, $side view:    $(pwd)/demo-board-$side.png"
  done
fi
