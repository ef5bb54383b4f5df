#!/bin/sh
# Quick start: installs what is missing (as root on Debian), builds the
# native driver and plothost, plots the built-in demo board to demo.svg and
# renders demo.png from it with rsvg-convert.
#
# A native-only build of its own (build-demo/), so it needs neither the
# MinGW cross compiler nor Wine, and leaves test.sh's build/ alone.
set -eu
cd "$(dirname "$0")"
scripts/install-deps.sh native

cmake -S . -B build-demo -DCMAKE_BUILD_TYPE=Release -DDRV_WINDOWS=OFF
cmake --build build-demo -j "$(nproc)" --target plothost svgdrv

build-demo/bin/plothost -o demo.svg
# 12 pixels per millimetre of the plot, on white.
rsvg-convert --zoom 12 --background-color white demo.svg -o demo.png

echo
echo "Demo board plotted by the driver: $(pwd)/demo.svg"
echo "Rendered by rsvg-convert:         $(pwd)/demo.png"
echo "Driver and host:                  $(pwd)/build-demo/bin/svgdrv.so, $(pwd)/build-demo/bin/plothost"

# A real board's top copper from gerbv's examples, where installed.
board=/usr/share/doc/gerbv/examples/protel-pnp/SE_SG_IF_V2.GTL
if [ -f "$board" ]; then
  cmake --build build-demo -j "$(nproc)" --target plothost
  build-demo/bin/plothost --cam -o demo-board.svg "$board"
  rsvg-convert --zoom 4 --background-color white demo-board.svg -o demo-board.png
  echo "gerbv example board plotted:      $(pwd)/demo-board.png"
fi
