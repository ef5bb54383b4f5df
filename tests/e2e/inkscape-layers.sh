#!/bin/sh
# Checks the layer groups of a plot made with InkscapeLayers, parsed with
# libxml2 (xmllint): every layer group is an Inkscape layer, and their
# labels, in document order, are LABEL... .
#
# Usage: inkscape-layers.sh SVG LABEL...
set -u
svg=$1
shift
ns='http://www.inkscape.org/namespaces/inkscape'
attr() { printf "@*[local-name()='%s' and namespace-uri()='%s']" "$1" "$ns"; }
fail() { echo "inkscape-layers: $*" >&2; exit 1; }

# Layer groups are the root's children that carry an opacity.
groups=$(xmllint --xpath "count(/*/*[local-name()='g' and @opacity])" "$svg") || fail "cannot parse $svg"
layers=$(xmllint --xpath "count(/*/*[local-name()='g' and $(attr groupmode)='layer'])" "$svg")
[ "$groups" = "$#" ] || fail "$groups layer groups, want $#"
[ "$layers" = "$groups" ] || fail "$layers of $groups layer groups are Inkscape layers"
i=0
for want in "$@"; do
  i=$((i + 1))
  got=$(xmllint --xpath "string(/*/*[local-name()='g' and @opacity][$i]/$(attr label))" "$svg")
  [ "$got" = "$want" ] || fail "layer group $i is labelled \"$got\", want \"$want\""
done
echo "inkscape-layers: $groups Inkscape layers labelled $*"
