#!/bin/sh
# Regenerates the end-to-end golden files from a native build's plothost and
# driver. Run it on purpose only, after a deliberate change of the output,
# then review the diff (git diff --text): CI never runs it, the tests only
# compare against what is checked in.
#
# Usage: tests/e2e/update-goldens.sh [BUILD_DIR]     (default: build)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd)
plothost=$build/bin/plothost
driver=$build/bin/svgdrv.so
echodrv=$build/tests/e2e/echodrv.so
golden=$here/golden
for f in "$plothost" "$driver" "$echodrv"; do
  [ -f "$f" ] || { echo "update-goldens: no $f; build first" >&2; exit 1; }
done
mkdir -p "$golden"

# Without a settings file beside plothost.
[ ! -e "$build/bin/SVG.ini" ] || { echo "update-goldens: $build/bin/SVG.ini would change the plots" >&2; exit 1; }
for journal in "$here"/journals/*.jnl; do
  name=$(basename "$journal" .jnl)
  "$plothost" -o "$golden/$name.svg" "$journal"
done
"$plothost" -o "$golden/demo.svg"
"$plothost" --layers >"$golden/layers.txt"
"$plothost" --describe >"$golden/describe.txt"

# With the test SVG.ini beside a copy of plothost and the driver.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$plothost" "$driver" "$here/settings/SVG.ini" "$stage/"
"$stage/plothost" -o "$golden/settings.svg" "$here/settings/settings.jnl"
"$stage/plothost" -o "$golden/settings-demo.svg"
"$stage/plothost" --layers >"$golden/layers-settings.txt"
"$stage/plothost" --describe >"$golden/describe-settings.txt"

# The plot switches: each scenario's SVG.ini in turn.
for ini in "$here"/switches/*/SVG.ini; do
  name=$(basename "$(dirname "$ini")")
  cp "$ini" "$stage/SVG.ini"
  "$stage/plothost" -o "$golden/switches-$name.svg" "$here/switches/plot.jnl"
done

# What the recording stand-in driver sees.
"$plothost" --driver "$echodrv" -o "$here/echo/calls.expected" "$here/echo/calls.jnl"
"$plothost" --driver "$echodrv" --describe >"$here/echo/describe.expected"

# The messages for bad journals, run from their folder as the test does.
for journal in "$here"/bad/*.jnl; do
  name=$(basename "$journal" .jnl)
  (cd "$here/bad" && "$plothost" -o "$stage/refused.svg" "$name.jnl" 2>"$name.err") && {
    echo "update-goldens: bad/$name.jnl was accepted" >&2
    exit 1
  }
done

echo "update-goldens: done; review with: git diff --text --stat -- $here"
