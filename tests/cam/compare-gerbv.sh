#!/bin/sh
# Measures plothost --cam against gerbv on the same Gerber or Excellon
# files, one file at a time: the covered area of both renderings at the
# same size and placement, and time, peak memory and SVG size against
# gerbv's own SVG export.
#
# Usage: compare-gerbv.sh PLOTHOST PNGCOVER [--max PERCENT] FILE...
# Prints one line per file; with --max, exits 1 when a file's rendering
# differs by more than PERCENT of the union of the covered areas.
set -eu
plothost=$1 pngcover=$2
shift 2
max=
if [ "${1:-}" = --max ]; then max=$2; shift 2; fi
work=$(mktemp -d)
[ -n "${KEEP_WORK:-}" ] || trap 'rm -rf "$work"' EXIT
[ -z "${KEEP_WORK:-}" ] || echo "work dir $work" >&2
status=0
printf '%-40s %7s %8s %8s %8s %8s %9s %9s\n' file differ% ours_s gerbv_s ours_MB gerbv_MB ours_KB gerbv_KB
for f in "$@"; do
  name=$(basename "$f")
  # Ours, on layer 1 whatever the file's name says.
  if ! /usr/bin/time -f '%e %M' -o "$work/t1" "$plothost" --cam --layer "$f=1" \
      --journal-out "$work/j" -o "$work/o.svg" "$f" 2>"$work/err"; then
    printf '%-40s not plotted: %s\n' "$name" "$(grep -v warning "$work/err" | head -1)"
    continue
  fi
  # The plot area in host units (10 um) and the file point at its origin.
  set -- $(sed -n 's/^# Plot origin 0 0 is the files. point \([-0-9]*\) \([-0-9]*\).*/\1 \2/p' "$work/j") \
         $(sed -n 's/^OpenEquip 0 0 \([0-9]*\) \([0-9]*\)/\1 \2/p' "$work/j")
  ox=$1 oy=$2 w=$3 h=$4
  # About 2000 pixels across the longer side.
  dpi=$(awk -v w="$w" -v h="$h" 'BEGIN { m = w > h ? w : h; d = int(2000 * 2540 / m); print d < 1 ? 1 : d }')
  px=$(awk -v w="$w" -v d="$dpi" 'BEGIN { printf "%d", w / 2540 * d + 0.5 }')
  py=$(awk -v h="$h" -v d="$dpi" 'BEGIN { printf "%d", h / 2540 * d + 0.5 }')
  rsvg-convert -w "$px" -h "$py" --background-color white "$work/o.svg" -o "$work/o.png"
  gerbv -x png -B 0 -D "$dpi" -O "$(awk -v x="$ox" -v y="$oy" 'BEGIN { printf "%.6fx%.6f", x / 2540, y / 2540 }')" \
    -W "$(awk -v w="$w" -v h="$h" 'BEGIN { printf "%.6fx%.6f", w / 2540, h / 2540 }')" \
    -b '#000000' -f '#FFFFFFFF' -o "$work/g.png" "$f" 2>/dev/null
  cover=$("$pngcover" "$work/o.png" "$work/g.png" 3 | tee -a "${COVER_LOG:-/dev/null}" | awk "{ print \$2 }")
  /usr/bin/time -f '%e %M' -o "$work/t2" gerbv -x svg -o "$work/g.svg" "$f" 2>/dev/null
  set -- $(cat "$work/t1") $(cat "$work/t2")
  printf '%-40s %7s %8s %8s %8.1f %8.1f %9d %9d\n' "$name" "$cover" "$1" "$3" \
    "$(echo "$2 / 1024" | bc -l)" "$(echo "$4 / 1024" | bc -l)" \
    $(($(wc -c <"$work/o.svg") / 1024)) $(($(wc -c <"$work/g.svg") / 1024))
  if [ -n "$max" ] && awk -v c="$cover" -v m="$max" 'BEGIN { exit !(c > m) }'; then status=1; fi
done
exit $status
