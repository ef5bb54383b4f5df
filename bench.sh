#!/bin/sh
# Builds the native release library, plothost and the benchmark, then runs
# the element benchmark (8 interleaved repetitions; the summary gives the
# medians and their ratios to the hand-rolled baseline of the same run), the
# plothost scaling check, plothost --cam against gerbv and tracespace, and the 32-bit DLL
# under Wine with and without link-time optimisation. Extra arguments go to
# the element benchmark,
# e.g. ./bench.sh --benchmark_filter='line|pad'.
set -eu
cd "$(dirname "$0")"
scripts/install-deps.sh native
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target svgdrv plothost svgdrv_bench
build/bench/svgdrv_bench --benchmark_repetitions=8 --benchmark_enable_random_interleaving=true \
  --benchmark_display_aggregates_only=true --benchmark_min_time=0.2 "$@"
build/bench/svgdrv_bench --scaling 100000 1000000 3000000
# plothost --cam against gerbv on gerbv's example boards, where plothost was
# built with --cam (Clipper) and gerbv's examples are installed, and on the
# whole boards against gerber-to-svg and pcb-stackup where install-deps put
# them into build/npm.
if build/bin/plothost --cam --layers-map >/dev/null 2>&1 && [ -d /usr/share/doc/gerbv/examples ]; then
  build/bench/svgdrv_bench --cam-vs-gerbv
fi
# The 32-bit DLL under Wine, with and without link-time optimisation, in one
# run, where the cross compiler is installed and Wine runs here.
if command -v i686-w64-mingw32-g++ >/dev/null 2>&1 && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  cmake --build build -j "$(nproc)" --target win32 >/dev/null
  sh cmake/wine-init.sh "$PWD/build/wineprefix" >/dev/null
  (cd build/win32/bin && sh ../../../cmake/wine-run.sh "$PWD/../../wineprefix" winebench.exe svgdrv.dll svgdrv_nolto.dll 41)
fi
