#!/bin/sh
# plothost --cam as a user meets it: settings of the user's, outputs that
# would replace an input or each other, a folder glob with other files in
# it, and --layer naming a file differently than the file list does.
#
# Usage: cam-cli.sh PLOTHOST CAM_SOURCE_DIR WORK
set -u
plothost=$1
src=$2
work=$3
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1
passed=0
failed=0
check() {  # NAME CONDITION...
  name=$1
  shift
  if "$@"; then echo "ok $name"; passed=$((passed + 1)); else echo "FAILED $name"; failed=$((failed + 1)); fi
}
has() { grep -q -- "$1" "$2"; }
cp "$src"/boards/basic/* .

# Without settings of the user's: the CAM colour set (top copper red,
# translucent).
"$plothost" -q --cam -o plain.svg basic-F_Cu.gbr
check "CAM colour set by default" has 'opacity="0.75" stroke="#D02828"' plain.svg

# --settings is used with --cam: colour, opacity and a switch.
printf '[Setup]\nMirror=1\n[Layer1]\nColor=#FF0000\nOpacity=50\n' >red.ini
"$plothost" -q --settings red.ini --cam -o red.svg basic-F_Cu.gbr
check "--settings colour and opacity" has 'opacity="0.50" stroke="#FF0000"' red.svg
check "--settings switch" has '<!-- Setup: Mirror -->' red.svg

# No output replaces an input or the other output, under any name.
cp basic.drl keep.drl
ln -s basic-F_Cu.gbr alias.gbr
refused() {  # NAME ARGS...: status 2, a message, no input changed
  name=$1
  shift
  "$plothost" -q --cam "$@" 2>err.txt
  status=$?
  check "$name refused" sh -c '[ "$0" = 2 ] && grep -q "would overwrite\|same file" err.txt' $status
}
refused "-o naming the drill file" -o keep.drl keep.drl
refused "-o naming an input through a link" -o alias.gbr basic-F_Cu.gbr
refused "--journal-out naming a Gerber input" --journal-out ./basic-F_Cu.gbr -o x.svg basic-F_Cu.gbr
refused "--journal-out and -o one new file" --journal-out same.out -o ./same.out basic-F_Cu.gbr
check "inputs left whole" sh -c 'cmp -s keep.drl basic.drl && cmp -s basic-F_Cu.gbr "$0"/boards/basic/basic-F_Cu.gbr' "$src"
check "no output made" test ! -e same.out

# A folder glob: the plot of an earlier run, a job file and a report in the
# folder are skipped with a warning each.
mkdir g
cp "$src"/boards/basic/* g/
printf '{\n  "Header": {"GenerationSoftware": {"Vendor": "KiCad"}}\n}\n' >g/basic-job.gbrjob
printf 'Drill report for basic\nHoles: 2\n' >g/basic-drl.rpt
"$plothost" --cam -o g/board.svg g/* 2>/dev/null
"$plothost" --cam -o g/board.svg g/* 2>err.txt
status=$?
check "second glob run: status $status" test $status = 0
for f in board.svg basic-job.gbrjob basic-drl.rpt; do
  check "skipped $f with a warning" has "^g/$f: warning: neither Gerber nor Excellon: skipped" err.txt
done
check "glob plot as the files alone" cmp -s g/board.svg "$src"/golden/basic.svg
"$plothost" --cam -o none.svg g/basic-job.gbrjob 2>err.txt
status=$?
check "no CAM file left: status 2" sh -c '[ "$0" = 2 ] && grep -q "no Gerber or Excellon file" err.txt' $status

# --layer FILE=N matches the file, not the spelling.
"$plothost" -q --cam --layer ./basic-F_Cu.gbr=0 -o l0.svg basic-F_Cu.gbr 2>err.txt
check "--layer ./FILE for FILE" has '<!-- Layer 0 -->' l0.svg

echo "$passed passed, $failed failed"
[ $failed = 0 ]
