#!/bin/sh
# Installs what is missing, builds the native library and tools and the
# 32-bit Windows DLL, and runs every test. A second, native-only build runs
# the unit tests under ASan and UBSan.
#
# The Windows tests (CTest label `wine`) run under Wine on this machine where
# its kernel runs 32-bit programs, else in a virtual machine that boots
# Debian's own kernel (tests/wine/vm.sh); DRV_WINE_VM=1 forces the virtual
# machine. The last line says how they ran and how many passed; a run in
# which they could not run at all fails.
set -eu
cd "$(dirname "$0")"
scripts/install-deps.sh all

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$jobs"

# The tests labelled wine (ctest -L also lists the fixtures they need,
# labelled or not), and any test named wine_* that lacks the label.
wine_tests=$( (cd build && ctest -N -V -L wine) | awk '
  /^Labels:/ { labelled = ($0 ~ / wine( |$)/) }
  /^ *Test *#[0-9]+: / { if (labelled) { sub(/^ *Test *#[0-9]+: /, ""); print } labelled = 0 }')
unlabelled=$( (cd build && ctest -N -R '^wine_') | sed -n 's/^ *Test *#[0-9]*: \(wine_\)/\1/p' |
  grep -vxF "$wine_tests" || true)
if [ -n "$unlabelled" ]; then
  echo "test.sh: tests named wine_* without the CTest label wine:" $unlabelled >&2
  exit 1
fi

failed="" vm=""
if [ "${DRV_WINE_VM:-0}" != 1 ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  how="natively under Wine"
  (cd build && ctest --output-on-failure -j "$jobs" -O ctest.log) || failed="$failed tests"
  cp build/ctest.log build/ctest-wine.log
else
  # The virtual machine works in the background, in memory over a read-only
  # view of the build (what it writes is copied back when it ends), while
  # this machine runs the other tests and the sanitizer build.
  rm -f build/ctest-wine.log build/wine-vm/run.*
  mkdir -p build/wine-vm
  echo "test.sh: the Windows tests run in a virtual machine meanwhile (log: build/wine-vm/run.log)"
  (
    start=$(date +%s)
    status=0
    tests/wine/vm.sh build "ctest --output-on-failure -L wine -O ctest-wine.log" || status=$?
    echo $(($(date +%s) - start)) >build/wine-vm/run.secs
    echo $status >build/wine-vm/run.status
  ) >build/wine-vm/run.log 2>&1 &
  vm=$!
  (cd build && ctest --output-on-failure -j "$jobs" -LE wine -O ctest.log) || failed="$failed tests"
fi

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DDRV_SANITIZE=ON -DDRV_WINDOWS=OFF
cmake --build build-sanitize -j "$jobs"
(cd build-sanitize && ctest --output-on-failure -j "$jobs") || failed="$failed sanitize"

if [ -n "$vm" ]; then
  echo "test.sh: waiting for the virtual machine"
  wait "$vm" || true
  echo "---- the Windows tests in the virtual machine (build/wine-vm/run.log):"
  cat build/wine-vm/run.log
  status=$(cat build/wine-vm/run.status 2>/dev/null || echo 125)
  secs=$(cat build/wine-vm/run.secs 2>/dev/null || echo 0)
  case "$(sed -n 1p build/wine-vm/accel 2>/dev/null)" in
    kvm) how="in a virtual machine with KVM" ;;
    *) how="in an emulated virtual machine (no usable KVM)" ;;
  esac
  if [ "$status" = 125 ]; then
    failed="$failed vm"
    why="the virtual machine failed: $(cat build/wine-vm/failed 2>/dev/null || echo "see build/wine-vm/run.log")"
  elif [ "$status" != 0 ]; then
    failed="$failed tests"
  fi
fi

# The Windows tests' outcome, each name looked up in the log of its run.
total=0 passed=0 notrun=""
for t in $wine_tests; do
  total=$((total + 1))
  line=$(grep -E "Test +#[0-9]+: $t \.* *(\*\*\*)?[A-Z]" build/ctest-wine.log 2>/dev/null | tail -n 1)
  case "$line" in
    *" Passed "*) passed=$((passed + 1)) ;;
    *Failed* | *Timeout* | *Exception*) ;;
    *) notrun="$notrun $t" ;;
  esac
done
ran=$((total - $(echo $notrun | wc -w)))
# Native: the Wine tests' own time; virtual machine: its whole run, boot
# and copying back included.
if [ -z "$vm" ]; then
  secs=$(grep -E "Test +#[0-9]+: wine_" build/ctest-wine.log |
    awk '{ for (i = 1; i < NF; i++) if ($(i + 1) == "sec") s += $i } END { printf "%d", s }')
fi
summary="$passed of $total Windows tests passed, $how, in $((secs / 60)) min $((secs % 60)) s"
if [ "$total" = 0 ]; then
  echo "test.sh: FAILED: the build defines no Windows tests (label wine)"
  exit 1
elif case "$failed" in *vm*) true ;; *) false ;; esac; then
  echo "test.sh: FAILED: the Windows tests could not run: $why"
  exit 1
elif [ "$ran" = 0 ]; then
  echo "test.sh: FAILED: the Windows tests could not run ($how):" \
    "$(cat build/wineprefix.unavailable 2>/dev/null || echo "no result in build/ctest-wine.log")"
  exit 1
elif [ -n "$notrun" ]; then
  echo "test.sh: FAILED: $summary; not run:$notrun"
  exit 1
elif [ -n "$failed" ] || [ "$passed" != "$total" ]; then
  echo "test.sh: FAILED: $summary${failed:+ (also failed:$failed)}"
  exit 1
fi
echo "test.sh: passed; $summary"
