#!/bin/sh
# Quick start: installs what is missing (as root on Debian), builds the
# native driver and plothost, plots the built-in demo board to demo.svg and
# renders demo.png from it with rsvg-convert.
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

# A real board's top copper from gerbv's examples, where installed and where
# plothost was built with --cam (it needs the Clipper library).
board=/usr/share/doc/gerbv/examples/protel-pnp/SE_SG_IF_V2.GTL
if [ -f "$board" ] && build-demo/bin/plothost --cam --layers-map >/dev/null 2>&1; then
  build-demo/bin/plothost --cam -o demo-board.svg "$board"
  rsvg-convert --zoom 4 --background-color white demo-board.svg -o demo-board.png
  echo "gerbv example board plotted:      $(pwd)/demo-board.png"
fi
