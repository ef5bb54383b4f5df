#!/bin/sh
# Builds the native release library, plothost and the benchmark, then runs
# the element benchmark (8 interleaved repetitions; the summary gives the
# medians and their ratios to the hand-rolled baseline of the same run), the
# plothost scaling check, and plothost --cam against gerbv. Extra arguments go to the element benchmark,
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
# built with --cam (Clipper) and gerbv's examples are installed.
if build/bin/plothost --cam --layers-map >/dev/null 2>&1 && [ -d /usr/share/doc/gerbv/examples ]; then
  build/bench/svgdrv_bench --cam-vs-gerbv
fi
