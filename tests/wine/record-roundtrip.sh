#!/bin/sh
# A plot recorded by the driver replays to exactly the bytes the host
# received. recordcheck drives seeded random call sequences, writing records
# in place before every call, through a library with Record set in the
# SVG.ini beside it; plothost --settings replays the journal.
#
# Usage: record-roundtrip.sh WORK INI RECORDCHECK LIBRARY PLOTHOST
#            [RECORDCHECK.EXE DLL PLOTHOST.EXE WINE-RUN PREFIX]
# Without the Windows arguments: the native round trips, an unwritable and
# a failing journal. With them: a plot recorded from the DLL under Wine,
# replayed by the native plothost and by plothost.exe under Wine (exit 77,
# skipped, where Wine cannot run).
set -u
work=$1 ini=$2 host=$3 lib=$4 plothost=$5
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1
failed=0
bad() {
  echo "FAILED $1"
  failed=1
}

# stage DIR HOST LIBRARY SETTINGS: a folder with the host, the library and
# SETTINGS as SVG.ini beside the host.
stage() {
  mkdir -p "$1" && cp "$2" "$3" "$1"/ && printf '%s\n' "$4" >"$1/SVG.ini"
}
settings=$(cat "$ini")
without_record=$(printf '%s\n' "$settings" | grep -v '^Record=')

if [ $# -gt 5 ]; then
  winhost=$6 dll=$7 winplothost=$8 winerun=$9 prefix=${10}
  stage win "$winhost" "$dll" "$settings"
  stage native "$host" "$lib" "$settings"
  (cd win && "$winerun" "$prefix" ./"$(basename "$winhost")" svgdrv.dll 1000 20 received.bin)
  status=$?
  [ $status = 77 ] && exit 77
  [ $status = 0 ] || { echo "FAILED recordcheck.exe exit status $status"; exit 1; }
  "$plothost" --settings win/SVG.ini -o native.svg win/record.jnl &&
    cmp win/received.bin native.svg || bad "DLL journal replayed natively"
  (cd win && "$winerun" "$prefix" "$winplothost" --settings SVG.ini -o wine.svg record.jnl) &&
    cmp win/received.bin win/wine.svg || bad "DLL journal replayed under Wine"
  (cd native && ./"$(basename "$host")" ./"$(basename "$lib")" 1000 20 received.bin) &&
    cmp win/record.jnl native/record.jnl || bad "the DLL and the native library record alike"
  [ $failed = 0 ] && echo "ok: the DLL's journal replays natively and under Wine"
  exit $failed
fi

run() {  # run DIR SEED COUNT OUT
  (cd "$1" && ./"$(basename "$host")" ./"$(basename "$lib")" "$2" "$3" "$4")
}

# ---- Many short sequences, one load and one journal each ----
stage rec "$host" "$lib" "$settings"
seed=1
while [ $seed -le 40 ]; do
  run rec $seed 1 out.bin || bad "recordcheck, seed $seed"
  "$plothost" --settings rec/SVG.ini -o replay.svg rec/record.jnl &&
    cmp -s rec/out.bin replay.svg || bad "replay of seed $seed"
  seed=$((seed + 1))
done

# ---- One long journal: past the driver's buffer, several documents ----
run rec 1000 60 long.bin || bad "recordcheck, long run"
cp rec/record.jnl long.jnl
[ "$(wc -c <long.jnl)" -gt 65536 ] || bad "the long journal is under 64 KiB"
"$plothost" --settings rec/SVG.ini -o replay.svg long.jnl && cmp -s rec/long.bin replay.svg ||
  bad "replay of the long run"
grep -q '^DrawText two??lines?$' long.jnl || bad "text with CR, LF and NUL bytes"
sed '1,/^# The calls/d' long.jnl | grep -q '^SetParamValue' || bad "parameters written in place"
grep -q '^Aperture' long.jnl || bad "apertures written in place"
run rec 1000 60 again.bin && cmp -s rec/record.jnl long.jnl || bad "the same plot, the same journal"
# An absolute Record path is taken as it is.
stage abs "$host" "$lib" "$(printf '%s\n' "$settings" | sed "s|^Record=.*|Record=$PWD/abs.jnl|")"
run abs 1000 60 out.bin && cmp -s rec/long.bin abs/out.bin && cmp -s abs.jnl long.jnl ||
  bad "journal at an absolute path"
# A replay never records: the Record key of a --settings file is left out.
printf '%s\n' "$settings" | sed "s|^Record=.*|Record=$PWD/replayed.jnl|" >abs.ini
"$plothost" --settings abs.ini -o replay.svg long.jnl && cmp -s rec/long.bin replay.svg &&
  [ ! -e replayed.jnl ] || bad "a replay with --settings recorded"
# The settings matter: the same journal with an empty settings file differs.
: >empty.ini
"$plothost" --settings empty.ini -o other.svg long.jnl && ! cmp -s rec/long.bin other.svg ||
  bad "--settings is what the replay used"

# ---- Off, unopenable, failing: the plot stays the same, nothing breaks ----
stage off "$host" "$lib" "$without_record"
run off 1000 60 out.bin && cmp -s rec/long.bin off/out.bin || bad "plot without Record"
[ -e off/record.jnl ] && bad "a journal without Record"
for target in no-such-folder/record.jnl . /dev/null; do
  rm -rf unopenable
  stage unopenable "$host" "$lib" "$(printf '%s\n' "$settings" | sed "s|^Record=.*|Record=$target|")"
  run unopenable 1000 60 out.bin && cmp -s rec/long.bin unopenable/out.bin ||
    bad "plot with Record=$target"
done
# A journal file that stops taking bytes (the file size limit, its signal
# ignored): recording stops, the plot does not.
stage limited "$host" "$lib" "$settings"
{ (ulimit -f 16 && trap '' XFSZ && run limited 1000 60 -); echo $? >status; } | cat >limited.bin
[ "$(cat status)" = 0 ] && cmp -s rec/long.bin limited.bin || bad "plot with a failing journal"
[ "$(wc -c <limited/record.jnl)" -le 16384 ] || bad "the failing journal's size"

[ $failed = 0 ] && echo "ok: 41 recorded plots replayed byte for byte; off, unopenable and failing journals leave the plot alone"
exit $failed
