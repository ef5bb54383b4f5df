#!/bin/sh
# Shows that check-pe.sh can fail: it must pass the DLL as built and refuse
# two copies broken on purpose, one whose first export points at the
# second's function (an export table that no longer leads to its
# functions), one whose DrawLine pops 16 bytes instead of 20.
# Usage: check-pe-broken.sh DLL DEF WORKDIR
set -eu
dll=$1
def=$2
work=$3
check=$(dirname "$0")/check-pe.sh
mkdir -p "$work"

sh "$check" "$dll" "$def" >/dev/null || { echo "the DLL as built fails the check"; exit 1; }

# File offset of a virtual address, through the section that holds it.
base=$(i686-w64-mingw32-objdump -p "$dll" | awk '/^ImageBase/ {print $2}')
offset() {
  i686-w64-mingw32-objdump -h "$dll" | awk '$1 ~ /^[0-9]+$/ {print $3, $4, $6}' |
    while read -r size vma off; do
      if [ $(($1)) -ge $((0x$vma)) ] && [ $(($1)) -lt $((0x$vma + 0x$size)) ]; then
        echo $((0x$off + $1 - 0x$vma))
        break
      fi
    done
}
# Writes the 4 bytes at offset FROM over those at offset TO.
copy4() { dd if="$1" bs=1 skip="$2" count=4 2>/dev/null |
  dd of="$1" bs=1 seek="$3" count=4 conv=notrunc 2>/dev/null; }
expect_refused() {
  if out=$(sh "$check" "$1" "$def" 2>&1); then
    echo "check-pe.sh passed $2"; exit 1
  fi
  case "$out" in
    *"$3"*) echo "refused $2: $out" ;;
    *) echo "check-pe.sh refused $2 for another reason: $out"; exit 1 ;;
  esac
}

eat=$(i686-w64-mingw32-objdump -p "$dll" | awk '/^Table Addresses/ {t = 1} t && /Export Address Table/ {print $4; exit}')
at=$(offset "0x$base + 0x$eat")
cp "$dll" "$work/moved.dll"
copy4 "$work/moved.dll" $((at + 4)) "$at"
expect_refused "$work/moved.dll" "a moved export" "points at"

ret=$(i686-w64-mingw32-objdump -d "$dll" --disassemble='_DrawLine@20' |
  awk -F'\t' '$3 ~ /^ret +\$0x14/ {sub(/:.*/, "", $1); print $1; exit}')
[ -n "$ret" ] || { echo "no ret \$0x14 found in DrawLine"; exit 1; }
cp "$dll" "$work/ret16.dll"
printf '\020' | dd of="$work/ret16.dll" bs=1 seek=$(($(offset "0x$ret") + 1)) conv=notrunc 2>/dev/null
expect_refused "$work/ret16.dll" "a wrong stdcall return" "popping 16 bytes"
