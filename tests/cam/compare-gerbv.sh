#!/bin/sh
# Measures plothost --cam against gerbv on the same Gerber or Excellon
# files, one file at a time: the covered area of both renderings at the
# same size and placement, and time, peak memory and SVG size against
# gerbv's own SVG export.
#
# Usage: compare-gerbv.sh PLOTHOST PNGCOVER [--max PERCENT] FILE...
# Prints one line per file; with --max, exits 1 when a file is not plotted
# or its rendering differs by more than PERCENT of the union of the covered
# areas.
set -eu
plothost=$1 pngcover=$2
shift 2
max=
if [ "${1:-}" = --max ]; then max=$2; shift 2; fi
work=$(mktemp -d)
[ -n "${KEEP_WORK:-}" ] || trap 'rm -rf "$work"' EXIT
[ -z "${KEEP_WORK:-}" ] || echo "work dir $work" >&2
# Our own copy of plothost and the driver with an empty SVG.ini beside it:
# the driver's plain colours, and no staged copy in the times.
mkdir "$work/host"
cp "$plothost" "$(dirname "$plothost")/svgdrv.so" "$work/host/"
: >"$work/host/SVG.ini"
plothost=$work/host/plothost
status=0
printf '%-40s %7s %8s %8s %8s %8s %9s %9s\n' file differ% ours_s gerbv_s ours_MB gerbv_MB ours_KB gerbv_KB
for f in "$@"; do
  name=$(basename "$f")
  # Ours, on layer 1 whatever the file's name says.
  if ! /usr/bin/time -f '%e %M' -o "$work/t1" "$plothost" --cam --layer "$f=1" \
      --journal-out "$work/j" -o "$work/o.svg" "$f" 2>"$work/err"; then
    printf '%-40s not plotted: %s\n' "$name" "$(grep -v warning "$work/err" | head -1)"
    [ -z "$max" ] || status=1
    continue
  fi
  # The plot area in host units (10 um) and the file point at its origin.
  set -- $(sed -n 's/^# Plot origin 0 0 is the files. point \([-0-9]*\) \([-0-9]*\).*/\1 \2/p' "$work/j") \
         $(sed -n 's/^OpenEquip 0 0 \([0-9]*\) \([0-9]*\)/\1 \2/p' "$work/j")
  ox=$1 oy=$2 w=$3 h=$4
  # One pixel is K host units, K a divisor of 2540 so that gerbv's dots per
  # inch are whole: at most about 2600 pixels across the longer side.
  k=$(awk -v w="$w" -v h="$h" 'BEGIN { m = w > h ? w : h; split("1 2 4 5 10 20 127 254", d, " ");
        for (i = 1; i < 8 && m / d[i] > 2600; ++i) ; print d[i] }')
  dpi=$((2540 / k))
  px=$(((w + k - 1) / k)) py=$(((h + k - 1) / k))
  # Both pictures start at the page's top left corner at the same scale:
  # rsvg-convert's zoom makes K units a pixel (the SVG's user unit is 100
  # units); gerbv's window is a quarter pixel larger than PX x PY (it cuts
  # a part pixel off) and ends at the page's top.
  # Drill holes are drawn in the holes colour, white on the white page,
  # unless the open layer's colour is overridden: a drill file is drawn
  # again from its journal with settings that make layer 1 black.
  svg=$work/o.svg
  if grep -q '^DrillHole ' "$work/j"; then
    printf '[Layer1]\r\nColor=#000000\r\n' >"$work/dark.ini"
    "$plothost" --settings "$work/dark.ini" -o "$work/dark.svg" "$work/j"
    svg=$work/dark.svg
  fi
  rsvg-convert -z "$(awk -v k="$k" 'BEGIN { printf "%.9f", 100 / k }')" --background-color white \
    "$svg" -o "$work/o.png"
  gerbv -x png -B 0 -D "$dpi" \
    -O "$(awk -v x="$ox" -v y="$oy" -v h="$h" -v k="$k" -v n="$py" \
          'BEGIN { printf "%.6fx%.6f", x / 2540, (y + h - (n + 0.25) * k) / 2540 }')" \
    -W "$(awk -v m="$px" -v n="$py" -v k="$k" 'BEGIN { printf "%.6fx%.6f", (m + 0.25) * k / 2540, (n + 0.25) * k / 2540 }')" \
    -b '#000000' -f '#FFFFFFFF' -o "$work/g.png" "$f" 2>/dev/null
  # Our page frame, 50 units wide on the page's edge, reaches 25 units in:
  # leave it out with two pixels to spare (the board lies a margin inside).
  border=$(((25 + k - 1) / k + 2))
  cover=$("$pngcover" "$work/o.png" "$work/g.png" "$border" | tee -a "${COVER_LOG:-/dev/null}" | awk "{ print \$2 }")
  /usr/bin/time -f '%e %M' -o "$work/t2" gerbv -x svg -o "$work/g.svg" "$f" 2>/dev/null
  set -- $(cat "$work/t1") $(cat "$work/t2")
  printf '%-40s %7s %8s %8s %8.1f %8.1f %9d %9d\n' "$name" "$cover" "$1" "$3" \
    "$(echo "$2 / 1024" | bc -l)" "$(echo "$4 / 1024" | bc -l)" \
    $(($(wc -c <"$work/o.svg") / 1024)) $(($(wc -c <"$work/g.svg") / 1024))
  if [ -n "$max" ] && awk -v c="$cover" -v m="$max" 'BEGIN { exit !(c > m) }'; then status=1; fi
done
exit $status
