#!/bin/sh
# Whole boards: plothost --cam against gerbv -x svg and tracespace's
# gerber-to-svg on the same files: the least wall time of RUNS runs of the
# whole process, its peak memory, and the bytes of SVG each writes (ours
# and gerbv's one document; tracespace's one per file, summed).
#
# Usage: compare-peers.sh PLOTHOST NPM_DIR RUNS NAME FILE[=LAYER]... [-- NAME FILE...]...
# NPM_DIR is the folder npm installed gerber-to-svg into (npm install
# --prefix NPM_DIR gerber-to-svg); without it that column reads "-".
set -eu
plothost=$1 npm=$2 runs=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# best CMD...: "SECONDS KIB" of the fastest of RUNS runs.
best() {
  b=
  i=0
  while [ $i -lt "$runs" ]; do
    /usr/bin/time -f '%e %M' -o "$work/t" "$@" >/dev/null 2>&1 || { echo "- -"; return; }
    if [ -z "$b" ] || awk -v a="$(cut -d' ' -f1 "$work/t")" -v b="${b% *}" 'BEGIN { exit !(a < b) }'; then
      b=$(cat "$work/t")
    fi
    i=$((i + 1))
  done
  echo "$b"
}

printf '%-28s %7s %7s %7s %7s %7s %7s %8s %8s %8s\n' board ours_s gerbv_s ts_s ours_MB gerbv_MB ts_MB ours_KB gerbv_KB ts_KB
board() {
  name=$1
  shift
  ours="" plain=""
  for f in "$@"; do
    case "$f" in
      *=*) ours="$ours --layer $f"; plain="$plain ${f%=*}" ;;
      *) plain="$plain $f" ;;
    esac
  done
  # shellcheck disable=SC2086
  set -- $(best "$plothost" -q --cam $ours -o "$work/o.svg" $plain)
  o_s=$1 o_m=$2
  # shellcheck disable=SC2086
  set -- $(best gerbv -x svg -o "$work/g.svg" $plain)
  g_s=$1 g_m=$2
  t_s=- t_m=- t_k=-
  if [ -d "$npm/node_modules/gerber-to-svg" ]; then
    rm -rf "$work/ts" && mkdir "$work/ts"
    # shellcheck disable=SC2086
    set -- $(NODE_PATH=$npm/node_modules best node "$here/tracespace-svg.js" "$work/ts" $plain)
    t_s=$1 t_m=$2
    t_k=$(($(cat "$work"/ts/*.svg | wc -c) / 1024))
  fi
  mb() { [ "$1" = - ] && echo - || awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
  printf '%-28s %7s %7s %7s %7s %7s %7s %8d %8d %8s\n' "$name" "$o_s" "$g_s" "$t_s" "$(mb "$o_m")" "$(mb "$g_m")" \
    "$(mb "$t_m")" $(($(wc -c <"$work/o.svg") / 1024)) $(($(wc -c <"$work/g.svg") / 1024)) "$t_k"
}

while [ $# -gt 0 ]; do
  name=$1
  shift
  files=""
  while [ $# -gt 0 ] && [ "$1" != -- ]; do files="$files $1"; shift; done
  [ $# -eq 0 ] || shift
  # shellcheck disable=SC2086
  board "$name" $files
done
