#!/bin/sh
# Every bad journal in DIR must be refused before any call: exit status 2,
# standard error exactly as in its .err file, no output file made, and an
# older output file of the same name left as it was.
#
# Usage: journal-errors.sh PLOTHOST DIR WORK
set -u
plothost=$1
dir=$2
work=$3
mkdir -p "$work"
failed=0
passed=0

fail() {
  echo "FAILED $1: $2"
  failed=$((failed + 1))
}

for journal in "$dir"/*.jnl; do
  name=$(basename "$journal" .jnl)
  out=$work/$name.svg
  rm -f "$out" "$out".*.tmp
  # Run from DIR so that messages name the journal as the user gave it.
  (cd "$dir" && "$plothost" -o "$out" "$name.jnl") >"$work/$name.stdout" 2>"$work/$name.stderr"
  status=$?
  if [ "$status" != 2 ]; then
    fail "$name" "exit status $status, not 2"
  elif ! cmp -s "$dir/$name.err" "$work/$name.stderr"; then
    fail "$name" "messages differ from $name.err:"
    diff "$dir/$name.err" "$work/$name.stderr"
  elif [ -s "$work/$name.stdout" ]; then
    fail "$name" "wrote to standard output"
  elif ls "$out" "$out".*.tmp >/dev/null 2>&1; then
    fail "$name" "left an output file"
  else
    # An older plot of the same name survives a refused journal.
    echo "older plot" >"$out"
    (cd "$dir" && "$plothost" -o "$out" "$name.jnl") >/dev/null 2>&1
    if [ "$(cat "$out")" != "older plot" ] || ls "$out".*.tmp >/dev/null 2>&1; then
      fail "$name" "touched an existing output file"
    else
      echo "ok $name: $(head -n 1 "$dir/$name.err")"
      passed=$((passed + 1))
    fi
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
