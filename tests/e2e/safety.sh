#!/bin/sh
# plothost's output files and input limits: a planted link at the old
# temporary name, -o naming a FIFO, a device or a link, a signal during a
# plot, the journal as its own output, a long output name, endless input
# under a memory limit, and warnings (shown, capped, silenced by -q).
#
# Usage: safety.sh PLOTHOST E2E_SOURCE_DIR WORK ECHO_DRIVER
set -u
plothost=$1
src=$2
work=$3
echodrv=$4
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
jnl=$src/journals/readme.jnl
golden=$src/golden/readme.svg
no_tmp() { ! ls "$1".*.tmp >/dev/null 2>&1; }

# A link planted at the name the temporary file once had (OUT.PID.tmp; exec
# keeps the shell's PID) is neither followed nor replaced.
echo "precious" >victim
sh -c 'ln -s victim out.svg.$$.tmp && exec "$0" -o out.svg "$1"' "$plothost" "$jnl"
check "planted link not followed" test "$(cat victim)" = precious
check "plot written beside the planted link" cmp -s out.svg "$golden"

# -o naming a FIFO, a device, a link to a file: written through, not replaced.
mkfifo fifo
cat fifo >fifo.out &
"$plothost" -o fifo "$jnl"
wait
check "FIFO written straight" cmp -s fifo.out "$golden"
check "FIFO still a FIFO" test -p fifo
if [ -c /dev/null ]; then
  "$plothost" -o /dev/null "$jnl"
  check "/dev/null still a device" test -c /dev/null
fi
echo old >target.svg
ln -s target.svg link.svg
"$plothost" -o link.svg "$jnl"
check "link kept, its file replaced" sh -c 'test -L link.svg && cmp -s target.svg "$0"' "$golden"

# The journal as its own output is refused, under any of its names.
cp "$jnl" self.jnl
ln -s self.jnl self-link.jnl
for out in self.jnl self-link.jnl ./self.jnl; do
  "$plothost" -o "$out" self.jnl 2>err.txt
  status=$?
  check "-o $out refused" sh -c '[ "$0" = 2 ] && grep -q "the output would overwrite the journal" err.txt' $status
done
check "journal left whole" cmp -s self.jnl "$jnl"

# A name of 250 bytes, the temporary suffix notwithstanding.
long=$(printf '%0246d' 0).svg
"$plothost" -o "$long" "$jnl"
check "250-byte output name" sh -c 'cmp -s "$0" "$1" && ! ls 0*.tmp >/dev/null 2>&1' "$long" "$golden"

# SIGTERM and SIGINT during a long plot remove the temporary file and end
# the process as the signal does (128 + signal number). The recording
# stand-in driver, slowed to a millisecond a call, keeps the plot going for
# seconds, whatever the machine's speed.
awk 'BEGIN { print "Aperture 1 0 10 10"; print "OpenEquip 0 0 100000 100000"; print "OpenLayer 1";
             for (i = 0; i < 5000; i++) print "DrawLine " i % 1000 " 0 5 " i " 1"; print "CloseEquip" }' >big.jnl
for sig in TERM:15 INT:2; do
  number=${sig#*:}
  sig=${sig%:*}
  rm -f sig.svg
  # A background job starts with SIGINT ignored; give it the default back.
  ECHO_SLOW=1 env --default-signal=INT "$plothost" -q --driver "$echodrv" -o sig.svg big.jnl &
  pid=$!
  i=0
  while ! ls sig.svg.*.tmp >/dev/null 2>&1 && [ $i -lt 3000 ]; do sleep 0.01; i=$((i + 1)); done
  kill -s $sig $pid
  wait $pid
  status=$?
  want=$((128 + number))
  check "SIG$sig: status $status, no temporary file" sh -c '[ "$0" = "$1" ] && ! ls sig.svg* >/dev/null 2>&1' $status $want
done

# The same during a --settings run, whose staged copy does the plot: the
# copy and its private folder (in TMPDIR) are gone too.
mkdir stage
printf '[Layer1]\nOpacity=50\n' >sig.ini
for sig in TERM:15 INT:2 HUP:1; do
  number=${sig#*:}
  sig=${sig%:*}
  rm -f sig.svg
  ECHO_SLOW=1 TMPDIR=$work/stage env --default-signal=INT "$plothost" --settings sig.ini -q \
    --driver "$echodrv" -o sig.svg big.jnl &
  pid=$!
  i=0
  while ! ls sig.svg.*.tmp >/dev/null 2>&1 && [ $i -lt 3000 ]; do sleep 0.01; i=$((i + 1)); done
  kill -s $sig $pid
  wait $pid
  status=$?
  want=$((128 + number))
  check "--settings, SIG$sig: status $status, no temporary file or folder" \
    sh -c '[ "$0" = "$1" ] && ! ls sig.svg* >/dev/null 2>&1 && [ -z "$(ls stage)" ]' $status $want
done

# Endless input: refused at the first line past 64 KiB, in bounded memory.
limit=""
(ulimit -v 300000 && "$plothost" --version) >/dev/null 2>&1 && limit="ulimit -v 300000 &&"
sh -c "$limit \"\$0\" /dev/zero" "$plothost" >zero.out 2>err.txt
status=$?
check "/dev/zero: line too long, status 2" sh -c '[ "$0" = 2 ] && grep -qx "/dev/zero:1: line too long (more than 65536 bytes)" err.txt' $status
sh -c "$limit \"\$0\" - </dev/zero" "$plothost" >zero.out 2>err.txt
status=$?
check "/dev/zero on standard input" sh -c '[ "$0" = 2 ] && grep -qx "<stdin>:1: line too long (more than 65536 bytes)" err.txt && ! test -s zero.out' $status
{ echo "OpenEquip 0 0 1 1"; head -c 70000 /dev/zero | tr '\0' ' '; echo; echo CloseEquip; } >long-line.jnl
"$plothost" -o long.svg long-line.jnl 2>err.txt
status=$?
check "a long line in a file" sh -c '[ "$0" = 2 ] && grep -qx "long-line.jnl:2: line too long (more than 65536 bytes)" err.txt && ! test -e long.svg' $status

# Warnings: on standard error, exactly as expected, the plot unchanged; -q
# silences them; past 40 only a count.
(cd "$src/journals" && "$plothost" -o "$work/w.svg" elements.jnl) 2>warnings.txt
check "warnings as expected" cmp -s warnings.txt "$src/warnings/elements.err"
check "warnings leave the plot alone" cmp -s w.svg "$src/golden/elements.svg"
"$plothost" -q -o q.svg "$src/journals/elements.jnl" 2>err.txt
check "-q silences warnings" sh -c '! test -s err.txt && cmp -s q.svg w.svg'
awk 'BEGIN { print "OpenEquip 0 0 10 10"; for (i = 0; i < 100; i++) print "OpenLayer 30"; print "CloseEquip" }' >many.jnl
"$plothost" -o many.svg many.jnl 2>err.txt
check "warnings capped at 40, then a count" sh -c '[ "$(grep -c ": warning: " err.txt)" = 40 ] && grep -qx "plothost: 60 more warnings not shown (-q silences warnings)" err.txt'

# The checked calls wait for the replay in a scratch file in TMPDIR that
# never outlives the run; without a usable TMPDIR the plot fails cleanly.
mkdir scratch
TMPDIR=$work/scratch "$plothost" -o spool.svg - <"$jnl"
check "journal from a pipe replayed" cmp -s spool.svg "$golden"
check "no scratch file left" test -z "$(ls scratch)"
TMPDIR=$work/missing "$plothost" -o nospool.svg "$jnl" 2>nospool.err
check "no scratch folder: status 1" test $? -eq 1
check "no scratch folder: said, nothing written" sh -c 'grep -q "scratch file" nospool.err && ! test -e nospool.svg'

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
