#!/bin/sh
# Runs one plot command and checks what it wrote: exit status 0, the bytes
# equal to the golden file, no temporary file left beside the output, and,
# for SVG, every document in it well-formed XML (xmllint) that a real
# renderer (rsvg-convert) draws.
#
# Usage: check-plot.sh [--stdout] [--stdin FILE] [--stale] OUT GOLDEN -- COMMAND [ARGS...]
#   --stdout      the command writes to standard output, which goes to OUT
#                 (otherwise the command writes OUT itself)
#   --stdin FILE  the command reads FILE on standard input
#   --stale       OUT exists with other content before the run and must be
#                 replaced whole
set -u
to_stdout=0
stdin=/dev/null
stale=0
while :; do
  case "${1:-}" in
    --stdout) to_stdout=1; shift ;;
    --stdin) stdin=$2; shift 2 ;;
    --stale) stale=1; shift ;;
    *) break ;;
  esac
done
out=$1
golden=$2
[ "$3" = "--" ] || { echo "usage: check-plot.sh [options] OUT GOLDEN -- COMMAND..." >&2; exit 2; }
shift 3

fail() {
  echo "check-plot: $*" >&2
  exit 1
}

mkdir -p "$(dirname "$out")"
rm -f "$out" "$out".*.tmp "$out".doc*.svg "$out".doc*.png
[ "$stale" = 1 ] && echo "an older plot" >"$out"

if [ "$to_stdout" = 1 ]; then
  "$@" <"$stdin" >"$out"
else
  "$@" <"$stdin"
fi
status=$?
# 77: the command was skipped (Wine cannot run on this machine).
[ "$status" = 77 ] && exit 77
[ "$status" = 0 ] || fail "the command exited with status $status"
[ -f "$out" ] || fail "no output file $out"
for leftover in "$out".*.tmp; do
  [ -e "$leftover" ] && fail "temporary file left behind: $leftover"
done

[ -f "$golden" ] || fail "no golden file $golden (tests/e2e/update-goldens.sh makes it)"
if ! cmp "$golden" "$out"; then
  diff "$golden" "$out" | head -20 >&2
  fail "$out differs from $golden"
fi

case "$golden" in
  *.svg) ;;
  *) echo "check-plot: $(basename "$out") matches $(basename "$golden")"; exit 0 ;;
esac

# A journal may hold several documents, each starting with its XML prolog.
awk -v base="$out" '
  /^<\?xml / { n++ }
  n > 0 { print > (base ".doc" n ".svg") }
' "$out"
docs=0
for doc in "$out".doc*.svg; do
  [ -f "$doc" ] || fail "no SVG document in $out"
  docs=$((docs + 1))
  xmllint --noout --nonet "$doc" || fail "$doc is not well-formed XML"
  png=${doc%.svg}.png
  rsvg-convert "$doc" -o "$png" || fail "rsvg-convert cannot render $doc"
  [ -s "$png" ] || fail "rsvg-convert made no image of $doc"
done
echo "check-plot: $(basename "$out") matches $(basename "$golden"); $docs document(s) well-formed and rendered"
