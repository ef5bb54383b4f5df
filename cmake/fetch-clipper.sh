#!/bin/sh
# Fetches Debian's own source package of Clipper (libpolyclipping) and
# unpacks it, with Debian's patches, into DIR/libpolyclipping, for the
# Windows build of plothost --cam and the native plothost beside it. It
# takes the version of the installed libpolyclipping-dev (which other
# native builds link), so that every build runs the same polygon code;
# failing that, the newest one.
# Usage: fetch-clipper.sh DIR
set -eu
dir=$1
rm -rf "$dir"
mkdir -p "$dir/download"
cd "$dir/download"

version=$(dpkg-query -W -f '${source:Version}' libpolyclipping-dev 2>/dev/null || true)
fetch() { apt-get source -q "$1" >../fetch.log 2>&1; }
if ! { [ -n "$version" ] && fetch "libpolyclipping=$version"; }; then
  [ -z "$version" ] ||
    echo "fetch-clipper: version $version not in the source indexes; taking the newest" >&2
  if ! fetch libpolyclipping; then
    cat ../fetch.log >&2
    echo "fetch-clipper: apt-get source libpolyclipping failed: apt needs deb-src" \
      "entries (scripts/install-deps.sh adds them, as root), or configure with" \
      "-DDRV_WINDOWS=OFF" >&2
    exit 1
  fi
fi
for d in libpolyclipping-*/; do
  [ -f "$d/cpp/clipper.cpp" ] && [ -f "$d/cpp/clipper.hpp" ] || continue
  mv "$d" ../libpolyclipping
  echo "fetch-clipper: $(ls -- *.dsc) unpacked in $dir/libpolyclipping"
  exit 0
done
echo "fetch-clipper: no cpp/clipper.cpp in the unpacked source package" >&2
exit 1
