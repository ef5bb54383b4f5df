#!/bin/sh
# The DLL under Wine (Windows' profile reader) and the native library (our
# own reader) must make the same of every settings file: generated ones and
# the fuzz corpus, read by each side in one process, compared line by line
# (descriptor flags, stacking order, and each layer's opacity and colours
# as a plot writes them).
# Usage: settings-agree.sh WORK COUNT NATIVE_EXE NATIVE_LIB WIN_EXE WIN_DLL
#                          WINE_RUN PREFIX [CORPUS_FILE...]
set -eu
work=$1 count=$2 nexe=$3 nlib=$4 wexe=$5 wdll=$6 winerun=$7 prefix=$8
shift 8
rm -rf "$work"
mkdir -p "$work/files" "$work/native" "$work/win"
"$nexe" --generate "$work/files" "$count" 20261209
# Record= would start a journal: corpus files that name it stay out.
for f in "$@"; do
  grep -qi record "$f" || cp "$f" "$work/files/corpus-$(basename "$f")"
done
(cd "$work" && ls files | sed 's|^|files/|') >"$work/list"
cp "$nexe" "$nlib" "$work/native/"
cp "$wexe" "$wdll" "$work/win/"
cd "$work"
native/$(basename "$nexe") "native/$(basename "$nlib")" list >native.out
status=0
sh "$winerun" "$prefix" "win/$(basename "$wexe")" "win\\$(basename "$wdll")" list >win.out || status=$?
[ "$status" = 77 ] && exit 77
[ "$status" = 0 ] || { echo "settings-agree: the Windows side failed ($status)"; exit 1; }
files=$(wc -l <list)
if ! cmp -s native.out win.out; then
  diff native.out win.out | head -n 40
  echo "settings-agree: the native reader and Windows' disagree (of $files files); see $work"
  exit 1
fi
echo "settings-agree: $files settings files read alike by the DLL under Wine and the native library"
