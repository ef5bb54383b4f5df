#!/bin/sh
# plothost's command line and its host behaviour, checked with the recording
# stand-in driver where the real one would hide what the host did.
#
# Usage: cli.sh PLOTHOST ECHODRV ECHODRV_NOTABLE E2E_SOURCE_DIR WORK
set -u
plothost=$1
echodrv=$2
notable=$3
src=$4
work=$5
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1
passed=0
failed=0

ok() {
  echo "ok $1"
  passed=$((passed + 1))
}
bad() {
  echo "FAILED $1"
  failed=$((failed + 1))
}
# expect NAME STATUS STDERR-PATTERN -- COMMAND...: the exit status and a
# grep pattern that standard error must match ('' for empty stderr).
expect() {
  name=$1 want=$2 pattern=$3
  shift 4
  "$@" >out.txt 2>err.txt
  status=$?
  if [ "$status" != "$want" ]; then
    bad "$name: exit status $status, not $want"; sed 's/^/  stderr: /' err.txt
  elif [ -z "$pattern" ] && [ -s err.txt ]; then
    bad "$name: unexpected messages"; sed 's/^/  stderr: /' err.txt
  elif [ -n "$pattern" ] && ! grep -q -- "$pattern" err.txt; then
    bad "$name: messages do not match '$pattern'"; sed 's/^/  stderr: /' err.txt
  else
    ok "$name"
  fi
}

# ---- Usage ----
expect help 0 '' -- "$plothost" --help
grep -q '^Usage: plothost' out.txt && ok "help text" || bad "help text"
expect help-short 0 '' -- "$plothost" -h
expect version 0 '' -- "$plothost" --version
grep -Eq '^plothost [0-9]+\.[0-9]+\.[0-9]+$' out.txt && ok "version text" || bad "version text"
expect unknown-option 2 "unknown option '--frobnicate'" -- "$plothost" --frobnicate
expect output-needs-name 2 'needs a file name' -- "$plothost" -o
expect driver-needs-path 2 'needs a library path' -- "$plothost" --driver
expect two-journals 2 'more than one journal' -- "$plothost" a.jnl b.jnl
expect two-outputs 2 '-o given twice' -- "$plothost" -o a.svg -o b.svg
expect modes-exclusive 2 'exclude each other' -- "$plothost" --layers --describe
expect mode-with-journal 2 'take no journal' -- "$plothost" --layers x.jnl
grep -q "Try 'plothost --help'" err.txt && ok "usage hint" || bad "usage hint"

# ---- Journals that cannot be read ----
expect missing-journal 2 '^nowhere.jnl: cannot open: ' -- "$plothost" nowhere.jnl
mkdir -p adir
expect directory-journal 2 '^adir: cannot ' -- "$plothost" adir
printf 'OpenEquip 0 0 10 10\nOpenLayer one\n' >bad.jnl
expect stdin-errors 2 '^<stdin>:2: OpenLayer: LAYER' -- sh -c '"$0" - <bad.jnl' "$plothost"

# ---- Loading the driver ----
expect missing-driver 1 'cannot load driver nowhere/svgdrv.so' -- "$plothost" --driver nowhere/svgdrv.so --layers
mkdir -p alone
cp "$plothost" alone/plothost
expect no-driver-beside 1 "cannot load driver .*alone/svgdrv.so" -- alone/plothost --layers
# A bare library name means the file in the current directory.
cp "$echodrv" ./echo-here.so
expect driver-bare-name 0 '' -- "$plothost" --driver echo-here.so --layers

# ---- What the host calls, as the stand-in driver records it ----
expect echo-replay 0 '' -- "$plothost" -q --driver "$echodrv" -o calls.txt "$src/echo/calls.jnl"
cmp -s "$src/echo/calls.expected" calls.txt && ok "echo calls as expected" ||
  { bad "echo calls differ from calls.expected"; diff "$src/echo/calls.expected" calls.txt | head -20; }
# A CR LF journal is the same journal.
sed 's/$/\r/' "$src/echo/calls.jnl" >crlf.jnl
expect echo-crlf 0 '' -- "$plothost" -q --driver "$echodrv" -o crlf.txt crlf.jnl
cmp -s calls.txt crlf.txt && ok "CR LF journal replays the same" || bad "CR LF journal differs"
expect echo-stdin 0 '' -- sh -c '"$0" -q --driver "$1" - <"$2" >stdin.txt' "$plothost" "$echodrv" "$src/echo/calls.jnl"
cmp -s calls.txt stdin.txt && ok "standard input replays the same" || bad "standard input differs"
# A byte order mark before the first line is not part of the journal.
printf '\357\273\277' >bom.jnl
cat "$src/echo/calls.jnl" >>bom.jnl
expect echo-bom 0 '' -- "$plothost" -q --driver "$echodrv" -o bom.txt bom.jnl
cmp -s calls.txt bom.txt && ok "byte order mark skipped" || bad "byte order mark not skipped"
# The demo board asks the driver for the layer order: the stand-in answers
# it reversed.
expect echo-demo 0 '' -- "$plothost" --driver "$echodrv" -o demo.txt
layers=$(grep '^OpenLayer' demo.txt | tr '\n' ' ')
[ "$layers" = "OpenLayer 24 0 OpenLayer 23 0 OpenLayer 3 0 OpenLayer 1 0 OpenLayer 0 0 " ] &&
  ok "demo follows the driver's layer order" || bad "demo layer order: $layers"
# --only-layers: the other layers' OpenLayer and drawing calls are not made.
expect only-layers 0 '' -- "$plothost" --driver "$echodrv" --only-layers 0,2-3 -o only.txt
layers=$(grep '^OpenLayer' only.txt | tr '\n' ' ')
[ "$layers" = "OpenLayer 3 0 OpenLayer 0 0 " ] && ok "only the chosen layers opened" || bad "--only-layers: $layers"
[ "$(grep -c '^Aperture\|^SetParamValue' only.txt)" = "$(grep -c '^Aperture\|^SetParamValue' demo.txt)" ] &&
  [ "$(grep -c '^Draw\|^Flash' only.txt)" -lt "$(grep -c '^Draw\|^Flash' demo.txt)" ] &&
  ok "configuration kept, other layers' drawing left out" || bad "--only-layers calls"
expect only-layers-bad 2 'expected layers from 0 to 25' -- "$plothost" --only-layers 3-1
# The demo as a journal replays to the same calls.
expect demo-journal 0 '' -- "$plothost" --driver "$echodrv" --demo-journal
mv out.txt demo.jnl
expect demo-journal-replay 0 '' -- "$plothost" -q --driver "$echodrv" -o demo2.txt demo.jnl
cmp -s demo.txt demo2.txt && ok "demo journal replays the demo" || bad "demo journal differs"

# ---- The write callback's bytes ----
# 200000 bytes in chunks of 0 to 70000: every byte, in order, nothing else
# (the sum was made independently from the pattern, not by plothost).
printf 'OpenEquip 0 0 1 1\nComment 200000\nCloseEquip\n' >bytes.jnl
expect bytes 0 '' -- "$plothost" --driver "$echodrv" -o bytes.bin bytes.jnl
sum=$(sha256sum <bytes.bin | cut -d' ' -f1)
[ "$sum" = "$(cat "$src/echo/bytes.sha256")" ] && [ "$(wc -c <bytes.bin)" = 200044 ] &&
  ok "callback bytes exact" || bad "callback bytes: $(wc -c <bytes.bin) bytes, sha256 $sum"
printf 'OpenEquip 0 0 1 1\nComment -5\nCloseEquip\n' >negative.jnl
expect negative-count 1 'negative byte count (-5)' -- "$plothost" --driver "$echodrv" -o negative.svg negative.jnl
[ ! -e negative.svg ] && ! ls negative.svg.*.tmp >/dev/null 2>&1 && ok "no file after a failed plot" ||
  bad "a failed plot left a file"

# ---- A driver without an aperture table ----
expect no-table 1 '^calls.jnl:[0-9]*: cannot write aperture 3: driver .* publishes no aperture table' -- \
  sh -c 'cd "$0" && "$1" --driver "$2" -o "$3" calls.jnl' "$src/echo" "$plothost" "$notable" "$work/notable.svg"
[ ! -e notable.svg ] && ok "no file without a table" || bad "file made without a table"
printf 'OpenEquip 0 0 1 1\nCloseEquip\n' >plain.jnl
expect no-table-no-apertures 0 '' -- "$plothost" --driver "$notable" -o plain.txt plain.jnl
expect beyond-small-table 2 '^big.jnl:1: Aperture: N 100 lies beyond' -- sh -c \
  'printf "Aperture 100 0 1 1\n" >big.jnl && "$0" --driver "$1" big.jnl' "$plothost" "$echodrv"

# ---- Output files ----
expect unwritable 1 '^plothost: cannot create nowhere/x.svg: ' -- "$plothost" --driver "$echodrv" -o nowhere/x.svg plain.jnl
echo "older" >replace.txt
expect replace 0 '' -- "$plothost" --driver "$echodrv" -o replace.txt plain.jnl
cmp -s replace.txt plain.txt && ok "an existing file is replaced whole" || bad "existing file not replaced"
expect output-equals 0 '' -- "$plothost" --driver "$echodrv" --output=eq.txt plain.jnl
cmp -s eq.txt plain.txt && ok "--output=FILE" || bad "--output=FILE"

# ---- Messages in proportion ----
# A file that is no journal: 20 errors, then a count of the rest.
awk 'BEGIN { for (i = 0; i < 1000; i++) print "garbage " i }' >garbage.jnl
expect error-flood 2 '^plothost: 980 more errors not shown$' -- "$plothost" -o garbage.svg garbage.jnl
[ "$(grep -c '^garbage.jnl:' err.txt)" = 20 ] && ok "20 errors shown" || bad "$(grep -c . err.txt) error lines"
: >empty.jnl
expect empty-journal 0 '^empty.jnl:1: warning: no OpenEquip: the journal holds no document' -- \
  "$plothost" --driver "$echodrv" -o empty.txt empty.jnl
printf 'OpenEquip 3000 2000 0 0\nCloseEquip\n' >inverted.jnl
expect inverted-area 0 '^inverted.jnl:1: warning: OpenEquip: the plot area 3000 2000 to 0 0 is empty or inverted' -- \
  "$plothost" --driver "$echodrv" -o inverted.txt inverted.jnl
# The demo board's text items: one warning, not one each.
expect demo-text-once 0 'DrawText: text is accepted but never written (told once)' -- \
  "$plothost" --driver "$echodrv" -o demo3.txt demo.jnl
[ "$(grep -c . err.txt)" = 1 ] && ok "one DrawText warning" || bad "$(grep -c . err.txt) warnings"

# ---- Describe and layers ----
expect describe 0 '' -- "$plothost" --driver "$echodrv" --describe
cmp -s "$src/echo/describe.expected" out.txt && ok "describe shows the records" ||
  { bad "describe differs"; diff "$src/echo/describe.expected" out.txt; }

# ---- --settings: a staged copy of plothost runs with the same arguments ----
expect settings-needs-name 2 'needs a file name' -- "$plothost" --settings
expect settings-missing 2 '^plothost: nowhere.ini: cannot open' -- "$plothost" --settings nowhere.ini --layers
mkdir -p tmp
printf '[Setup]\nHiddenText=0\n' >s.ini
expect settings-replay 0 '' -- env TMPDIR="$work/tmp" "$plothost" -q --settings s.ini --driver "$echodrv" -o "settings calls.txt" "$src/echo/calls.jnl"
cmp -s calls.txt "settings calls.txt" && ok "--settings passes the arguments on" || bad "--settings replay differs"
expect settings-stdin 0 '' -- sh -c 'TMPDIR="$3/tmp" "$0" -q --driver "$1" --settings=s.ini - <"$2" >stdin2.txt' "$plothost" "$echodrv" "$src/echo/calls.jnl" "$work"
cmp -s calls.txt stdin2.txt && ok "--settings passes standard input and output on" || bad "--settings standard input"
expect settings-status 2 '^nowhere.jnl: cannot open' -- env TMPDIR="$work/tmp" "$plothost" --settings s.ini nowhere.jnl
[ -z "$(ls tmp)" ] && ok "--settings leaves no temporary folder" || bad "--settings left $(ls tmp)"
# The staged copy is a hard link where it can be; on another file system
# (a RAM disk), a copy.
if [ -d /dev/shm ] && [ -w /dev/shm ] && [ "$(stat -c %d /dev/shm)" != "$(stat -c %d "$plothost")" ]; then
  shm=$(mktemp -d /dev/shm/plothost-cli-XXXXXX)
  expect settings-copied 0 '' -- env TMPDIR="$shm" "$plothost" -q --settings s.ini --driver "$echodrv" -o "settings copied.txt" "$src/echo/calls.jnl"
  cmp -s calls.txt "settings copied.txt" && ok "--settings staged on another file system" || bad "--settings copy differs"
  rmdir "$shm" && ok "no folder left there" || bad "left $(ls "$shm")"
fi
# A driver beside plothost by a relative symbolic link is staged as the file
# it names, not as what that path names from the current folder.
mkdir -p sl/host sl/lib lib cwd
cp "$plothost" sl/host/ && cp "$(dirname "$plothost")/svgdrv.so" sl/lib/ && ln -s ../lib/svgdrv.so sl/host/svgdrv.so
echo decoy >lib/svgdrv.so
expect settings-symlinked-driver 0 '' -- sh -c 'cd cwd && TMPDIR="$1/tmp" "$1/sl/host/plothost" -q --settings ../s.ini -o ../sl.svg' sh "$work"

# ---- Settings mistakes: told by plothost (file and line), silent in the driver ----
expect settings-mistakes 0 'mistakes.ini:3: warning: ' -- sh -c \
  'cd "$0" && TMPDIR="$2/tmp" "$1" --settings mistakes.ini --driver "$3" --layers' "$src/settings" "$plothost" "$work" "$echodrv"
cmp -s err.txt "$src/settings/mistakes.err" && ok "settings warnings as expected" ||
  { bad "settings warnings differ"; diff "$src/settings/mistakes.err" err.txt; }
expect settings-mistakes-quiet 0 '' -- sh -c \
  'cd "$0" && TMPDIR="$2/tmp" "$1" -q --settings mistakes.ini --driver "$3" --layers' "$src/settings" "$plothost" "$work" "$echodrv"
expect describe-overrides 0 '' -- sh -c \
  'cd "$0" && TMPDIR="$2/tmp" "$1" -q --settings mistakes.ini --describe' "$src/settings" "$plothost" "$work"
grep -q '^      2  #000F00      100 %    2100  11$' out.txt && grep -q '^      3  #00FF00      100 %    1000  0$' out.txt &&
  ok "describe shows colour, opacity, key and position" || { bad "describe rows"; grep '^      [23] ' out.txt; }
printf '[Layer1]\r\nColor=#FF0000\r\n' | iconv -f ASCII -t UTF-16 >utf16.ini
expect settings-utf16 0 '' -- env TMPDIR="$work/tmp" "$plothost" -q --settings utf16.ini --describe
grep -q '^      1  #FF0000 ' out.txt && ok "a UTF-16 settings file is read" || { bad "UTF-16 settings"; grep '^      1 ' out.txt; }
[ -z "$(ls tmp)" ] && ok "settings checks leave no temporary folder" || bad "left $(ls tmp)"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
