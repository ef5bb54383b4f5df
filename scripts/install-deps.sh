#!/bin/sh
# Installs what the builds and tests need on a Debian machine, as root, and
# only what is missing. Usage: scripts/install-deps.sh [demo|native|all|viewers]
#   demo:   compiler, CMake, make, SVG renderer and the Clipper polygon
#           library (plothost's Gerber areas): what demo.sh builds and runs
#   native: also GoogleTest, Google Benchmark, pkg-config, XML checker and
#           parser, zlib (to read the renderer's PNG), a decimal-comma
#           locale, clang with its libFuzzer runtime for the fuzz tests and
#           gerbv (the peer that the Gerber import is measured against);
#           then Node.js and npm, and with npm tracespace's gerber-to-svg and
#           pcb-stackup 4.2.8 into build/npm (the peers of the Gerber import
#           and the board views; without npm or the registry, a warning)
#   all:    also the MinGW-w64 cross compiler, zip (for the release
#           package), the source indexes of the distribution's archive
#           (the Windows build fetches Clipper's source package), and
#           what runs the Windows tests: 32-bit Wine where this kernel
#           runs 32-bit programs, else (or with
#           DRV_WINE_VM=1) QEMU, debootstrap and mke2fs for the virtual
#           machine that runs them (tests/wine/vm.sh) (default)
#   viewers: only Inkscape and Chromium, for the optional checks that a plot
#           opens in them (some 400 MB; test.sh never asks for them, and
#           the tests that need them are skipped without them)
set -eu
want=${1:-all}

need=""
have() { command -v "$1" >/dev/null 2>&1; }
if [ "$want" = viewers ]; then
  have inkscape || need="$need inkscape"
  have chromium || need="$need chromium"
else
  have g++ || need="$need g++"
  have cmake || need="$need cmake"
  # CMake's default generator; CMake only recommends it.
  have make || need="$need make"
  have rsvg-convert || need="$need librsvg2-bin"
  [ -f /usr/include/polyclipping/clipper.hpp ] || need="$need libpolyclipping-dev"
fi
if [ "$want" = native ] || [ "$want" = all ]; then
  have pkg-config || need="$need pkg-config"
  # GNU time: the peak memory of a run, in the comparison with gerbv.
  [ -x /usr/bin/time ] || need="$need time"
  have xmllint || need="$need libxml2-utils"
  [ -f /usr/include/gtest/gtest.h ] || need="$need libgtest-dev"
  [ -f /usr/include/benchmark/benchmark.h ] || need="$need libbenchmark-dev"
  [ -f /usr/include/libxml2/libxml/parser.h ] || need="$need libxml2-dev"
  [ -f /usr/include/zlib.h ] || need="$need zlib1g-dev"
  have clang++ || need="$need clang"
  ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-*.a >/dev/null 2>&1 ||
    need="$need libclang-rt-dev"
  have gerbv || need="$need gerbv"
fi
if [ "$want" = all ]; then
  have i686-w64-mingw32-g++ || need="$need g++-mingw-w64-i686"
  # The release package is written by Info-ZIP zip (-X: no owner, no extra times).
  have zip || need="$need zip"
  # apt-get source unpacks with dpkg-source.
  have dpkg-source || need="$need dpkg-dev"
fi

apt_install() {
  if [ "$(id -u)" != 0 ]; then
    echo "install-deps: missing packages:$*; run as root to install them" >&2
    exit 1
  fi
  if [ -z "${DEPS_UPDATED:-}" ]; then
    # A mirror caught mid-sync fails one index of several; what the others
    # list is still installable, and a package truly missing fails below.
    apt-get update -q ||
      echo "install-deps: apt-get update reported errors; trying the install anyway" >&2
    DEPS_UPDATED=1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@"
}

# The Windows plothost builds Clipper from Debian's own source package
# (apt-get source libpolyclipping, in the build tree), which needs deb-src
# entries. Where there are none, they are derived from the distribution's
# own deb entries, so they name whatever archive this machine already uses.
DEB_SRC=/etc/apt/sources.list.d/svgdrv-deb-src
add_deb_src() {
  if [ "$(id -u)" != 0 ]; then
    echo "install-deps: apt has no deb-src entries (needed for Clipper's source);" \
      "run as root to add them" >&2
    exit 1
  fi
  made=""
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    # deb822 stanzas: every enabled one of type deb, again as deb-src.
    awk '
      function flush() { if (deb && !off) printf "%s\n", buf; buf = ""; deb = 0; off = 0 }
      /^[ \t]*$/ { flush(); next }
      /^#/ { next }
      /^Types:/ { if ($0 ~ /[ \t]deb([ \t]|$)/) deb = 1; $0 = "Types: deb-src" }
      /^Enabled:[ \t]*[Nn]o/ { off = 1 }
      { buf = buf $0 "\n" }
      END { flush() }' /etc/apt/sources.list.d/debian.sources >"$DEB_SRC.sources"
    [ -s "$DEB_SRC.sources" ] && made=1 || rm -f "$DEB_SRC.sources"
  fi
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^[ \t]*deb\([ \t]\)/deb-src\1/p' /etc/apt/sources.list >"$DEB_SRC.list"
    [ -s "$DEB_SRC.list" ] && made=1 || rm -f "$DEB_SRC.list"
  fi
  if [ -z "$made" ]; then
    echo "install-deps: found no Debian deb entries to derive deb-src entries from;" \
      "add a deb-src entry for apt-get source libpolyclipping" >&2
    exit 1
  fi
  echo "install-deps: added deb-src entries derived from the distribution's own:" \
    "$(ls "$DEB_SRC".*)" >&2
  apt-get update -q || echo "install-deps: apt-get update reported errors" >&2
  DEPS_UPDATED=1
}
if [ "$want" = all ] && ! apt-cache showsrc libpolyclipping 2>/dev/null | grep -q '^Package:'; then
  add_deb_src
fi

if [ -n "$need" ]; then
  # shellcheck disable=SC2086
  apt_install $need
fi

[ "$want" = native ] || [ "$want" = all ] || exit 0

# A locale whose decimal separator is a comma, for the test that no locale
# reaches the driver's numbers.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  [ -f /usr/share/i18n/locales/de_DE ] || apt_install locales
  localedef -i de_DE -f UTF-8 de_DE.UTF-8 ||
    echo "install-deps: could not make the de_DE.UTF-8 locale (as root it works)" >&2
fi

# tracespace's gerber-to-svg and pcb-stackup, the peers the Gerber import and
# the board views are measured against, from the npm registry into the build
# tree that test.sh and bench.sh use (nothing global). Without them those
# comparisons are skipped, so neither a missing npm nor an unreachable
# registry stops the install.
top=$(cd "$(dirname "$0")/.." && pwd)
npm_dir=$top/build/npm
peers="gerber-to-svg pcb-stackup"
peers_version=4.2.8
peers_there() {
  for p in $peers; do
    grep -q "\"version\": *\"$peers_version\"" "$npm_dir/node_modules/$p/package.json" 2>/dev/null || return 1
  done
}
npm_peers() {
  new_build=""
  [ -d "$top/build" ] || new_build=1
  mkdir -p "$npm_dir" 2>/dev/null || return 1
  # An unreachable registry costs seconds, not npm's minutes of retries
  # (what the caller's npm settings say still wins).
  # shellcheck disable=SC2046
  npm_config_fetch_retries=${npm_config_fetch_retries:-1} \
    npm_config_fetch_retry_mintimeout=${npm_config_fetch_retry_mintimeout:-2000} \
    npm_config_fetch_retry_maxtimeout=${npm_config_fetch_retry_maxtimeout:-10000} \
    npm_config_fetch_timeout=${npm_config_fetch_timeout:-60000} \
    npm install --prefix "$npm_dir" --no-audit --no-fund --no-update-notifier \
    $(for p in $peers; do echo "$p@$peers_version"; done) >"$npm_dir/install.log" 2>&1
  status=$?
  # As root in a user's checkout, the build tree stays the user's.
  if [ "$(id -u)" = 0 ]; then
    owner=$(stat -c %u:%g "$top")
    chown -R "$owner" "$npm_dir"
    [ -z "$new_build" ] || chown "$owner" "$top/build"
  fi
  return $status
}
if ! peers_there; then
  need=""
  have node || need="$need nodejs"
  have npm || need="$need npm"
  if [ -n "$need" ] && [ "$(id -u)" = 0 ]; then
    # shellcheck disable=SC2086
    if (apt_install $need); then DEPS_UPDATED=1; fi
  fi
  skipped="the comparisons with gerber-to-svg and pcb-stackup are skipped"
  if ! have node || ! have npm; then
    echo "install-deps: warning: no node or npm (Debian packages nodejs, npm); $skipped" >&2
  elif ! npm_peers || ! peers_there; then
    # npm's own error code says why (ENOTFOUND, ETIMEDOUT, a TLS proxy's
    # SELF_SIGNED_CERT_IN_CHAIN, ...).
    why=$(sed -n 's/^npm \(ERR!\|error\) code //p' "$npm_dir/install.log" 2>/dev/null | head -n 1)
    echo "install-deps: warning: npm could not install $peers $peers_version" \
      "(${why:+$why; }log: $npm_dir/install.log); $skipped" >&2
  else
    echo "install-deps: npm installed $peers $peers_version into $npm_dir" >&2
  fi
fi

[ "$want" = all ] || exit 0

# Wine's 32-bit loader is a 32-bit Linux program: it needs a kernel built
# with 32-bit support. Where the kernel has none, the Windows tests run in a
# virtual machine whose own kernel does (qemu-user is no way out: 32-bit
# Wine does not boot under it). A failed Wine install is no reason to stop:
# the virtual machine needs none on this machine.
wine_runs() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
# A 96-byte static 32-bit x86 program that exits with status 42: whether
# this kernel runs 32-bit programs, before any 32-bit library is installed.
runs_i386() {
  f=$(mktemp) || return 0
  printf '\177\105\114\106\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\140\0\0\0\140\0\0\0\5\0\0\0\0\20\0\0\270\1\0\0\0\273\52\0\0\0\315\200' >"$f"
  chmod +x "$f"
  "$f" 2>/dev/null
  status=$?
  rm -f "$f"
  [ "$status" = 42 ]
}
if [ "${DRV_WINE_VM:-0}" != 1 ] && ! wine_runs; then
  if ! runs_i386; then
    echo "install-deps: this kernel does not run 32-bit programs; no Wine here" >&2
  else
    # A new architecture's package lists come only with the next update.
    if [ "$(id -u)" = 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
      dpkg --add-architecture i386
      DEPS_UPDATED=""
    fi
    apt_install wine wine32 ||
      echo "install-deps: could not install 32-bit Wine here" >&2
  fi
fi
if [ "${DRV_WINE_VM:-0}" = 1 ] || ! wine_runs; then
  need=""
  have qemu-system-x86_64 || need="$need qemu-system-x86"
  [ -x /usr/sbin/debootstrap ] || need="$need debootstrap"
  [ -x /sbin/mke2fs ] || [ -x /usr/sbin/mke2fs ] || need="$need e2fsprogs"
  # shellcheck disable=SC2086
  [ -z "$need" ] || apt_install $need
  echo "install-deps: the Windows tests will run in a virtual machine" \
    "(tests/wine/vm.sh; its root image is made once, some minutes)" >&2
fi
