#!/bin/sh
# Installs what is missing, builds the native library and tools and the
# 32-bit Windows DLL, and runs every test (the Windows ones under Wine).
# A second, native-only build runs the unit tests under ASan and UBSan.
set -eu
cd "$(dirname "$0")"
scripts/install-deps.sh all

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")
if [ -f build/wineprefix.unavailable ]; then
  echo "test.sh: the Wine tests were skipped: $(cat build/wineprefix.unavailable)" >&2
fi

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DDRV_SANITIZE=ON -DDRV_WINDOWS=OFF
cmake --build build-sanitize -j "$jobs"
(cd build-sanitize && ctest --output-on-failure -j "$jobs")
