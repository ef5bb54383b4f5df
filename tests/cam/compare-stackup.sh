#!/bin/sh
# plothost --cam --view against tracespace's pcb-stackup on one board: the
# least wall time of RUNS runs of the whole process (ours: --view both, one
# document; pcb-stackup: its top and bottom), peak memory and SVG bytes; then
# both top views rendered at PXMM pixels per millimetre and compared by role
# (no board or hole, solder mask, bare board or copper, finish, silkscreen).
#
# Usage: compare-stackup.sh PLOTHOST PNGROLES NPM_DIR RUNS PXMM FILE[=LAYER]...
# FILE=LAYER places the file on host layer LAYER for us and gives pcb-stackup
# that layer's side and type.
# NPM_DIR is where npm installed pcb-stackup (npm install --prefix NPM_DIR
# pcb-stackup). Prints pcb-stackup's layer types, then one line of figures
# and the role agreement.
set -eu
plothost=$1 pngroles=$2 npm=$3 runs=$4 pxmm=$5
shift 5
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
[ -n "${KEEP_WORK:-}" ] || trap 'rm -rf "$work"' EXIT
ours="" plain=""
for f in "$@"; do
  case "$f" in
    *=*) ours="$ours --layer $f"; plain="$plain ${f%=*}" ;;
    *) plain="$plain $f" ;;
  esac
done
best() {
  b=
  i=0
  while [ $i -lt "$runs" ]; do
    /usr/bin/time -f '%e %M' -o "$work/t" "$@" >"$work/out" 2>"$work/err" || { cat "$work/err" >&2; echo "- -"; return; }
    if [ -z "$b" ] || awk -v a="$(cut -d' ' -f1 "$work/t")" -v b="${b% *}" 'BEGIN { exit !(a < b) }'; then
      b=$(cat "$work/t")
    fi
    i=$((i + 1))
  done
  echo "$b"
}
# shellcheck disable=SC2086
set -- $(NODE_PATH=$npm/node_modules best node "$here/stackup-svg.js" "$work" "$@")
p_s=$1 p_m=$2
sed 's/^/pcb-stackup: /' "$work/out"
# shellcheck disable=SC2086
set -- $(best "$plothost" -q --cam --view both $ours -o "$work/ours.svg" $plain)
o_s=$1 o_m=$2
printf '%-8s %8s %8s %8s %8s %9s %9s\n' "" ours_s stack_s ours_MB stack_MB ours_KB stack_KB
printf '%-8s %8s %8s %8.1f %8.1f %9d %9d\n' figures "$o_s" "$p_s" "$(echo "$o_m / 1024" | bc -l)" \
  "$(echo "$p_m / 1024" | bc -l)" $(($(wc -c <"$work/ours.svg") / 1024)) \
  $((($(wc -c <"$work/top.svg") + $(wc -c <"$work/bottom.svg")) / 1024))
# The top views at the same scale: ours without a margin (the page is the
# board's box) and with a silkscreen colour apart from the white page;
# pcb-stackup's on magenta (its holes and surroundings are transparent).
printf '[Layer23]\r\nColor=#FFFF00\r\n' >"$work/roles.ini"
# shellcheck disable=SC2086
"$plothost" -q --cam --view top --margin 0 --settings "$work/roles.ini" $ours -o "$work/top-ours.svg" $plain
rsvg-convert --zoom "$pxmm" --background-color white "$work/top-ours.svg" -o "$work/ours.png"
dpi=$(echo "$pxmm * 25.4" | bc -l)
rsvg-convert --dpi-x "$dpi" --dpi-y "$dpi" --background-color '#FF00FF' "$work/top.svg" -o "$work/peer.png"
# Mask over substrate and over copper as each draws them (ours: 75 %
# #004200 over #4D542C or #CCCCCC; pcb-stackup: 74.9 % over #666666 or
# #CCCCCC).
"$pngroles" "$work/ours.png" "$work/peer.png" \
  none=FFFFFF,mask=13460B,mask=336433,bare=4D542C,bare=CCCCCC,finish=CC9933,silk=FFFF00 \
  none=FF00FF,mask=1A4B1A,mask=336533,bare=666666,bare=CCCCCC,finish=CC9933,silk=FFFFFF \
  "${RADIUS:-6}" "$((pxmm / 2 + 2))"
