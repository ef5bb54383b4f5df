#!/bin/sh
# Each bad CAM file must give its expected message (FILE.err) on standard
# error, exit status 2 and no output file.
# Usage: bad-files.sh PLOTHOST BADDIR WORKDIR
set -u
plothost=$1 dir=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
fail=0
for f in "$dir"/*; do
  case "$f" in *.err) continue ;; esac
  name=$(basename "$f")
  (cd "$dir" && "$plothost" --cam --layer "$name=1" -o "$work/$name.svg" "$name") 2>"$work/$name.stderr"
  rc=$?
  grep -v ': warning: ' "$work/$name.stderr" >"$work/$name.got"
  if [ $rc != 2 ]; then echo "$name: exit status $rc, expected 2"; fail=1; fi
  if [ -e "$work/$name.svg" ]; then echo "$name: an output file was written"; fail=1; fi
  if ! cmp -s "$work/$name.got" "$f.err"; then
    echo "$name: unexpected message:"; cat "$work/$name.got"; fail=1
  fi
done
exit $fail
