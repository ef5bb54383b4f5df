#!/bin/sh
# Checks the 32-bit DLL as a host will find it, without running it:
#  - the export table holds the plain names of the .def file, no more, no
#    fewer;
#  - every export's address lies in the code section and is the address of
#    its decorated stdcall function (OpenEquip at _OpenEquip@20), which is
#    defined once and never left undefined;
#  - every return of that function pops the argument bytes its decoration
#    names (ret $0x14 for OpenEquip@20), as the host's stdcall expects;
#  - the DLL imports system DLLs only.
# A link that drops the entry points (link-time optimisation once did: every
# name stayed in the table, every address pointed at nothing) fails here.
# Usage: check-pe.sh DLL DEF [SYMBOLS]
# SYMBOLS is an unstripped copy of the DLL (or the DLL itself, the default)
# whose symbol table names the functions.
set -eu
dll=$1
def=$2
syms=${3:-$1}
fail() { echo "check-pe: $dll: $*" >&2; exit 1; }

dump=$(i686-w64-mingw32-objdump -p "$dll") || fail "not a PE file objdump can read"

want=$(sed -n '/^EXPORTS/,$p' "$def" | sed '1d; s/;.*//' | awk 'NF {print $1}' | sort)
have=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed '1d' | awk 'NF {print $NF}' | sort)
if [ "$want" != "$have" ]; then
  printf 'listed:\n%s\nexported:\n%s\n' "$want" "$have" >&2
  fail "exports differ from $def"
fi

# Name -> RVA, from the address table (by ordinal) and the name table.
base=$(printf '%s\n' "$dump" | awk '/^ImageBase/ {print $2}')
[ -n "$base" ] || fail "no ImageBase"
addrs=$(printf '%s\n' "$dump" | sed -n '/Export Address Table --/,/^$/p' |
  awk '/Export RVA/ {gsub(/[][]/, " "); print $1, $(NF-2)}')
names=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed '1d' | awk 'NF {gsub(/[][]/, " "); print $1, $NF}')
text=$(i686-w64-mingw32-objdump -h "$dll" | awk '$2 == ".text" {print $4, $3}')
[ -n "$text" ] || fail "no .text section"
nm=$(i686-w64-mingw32-nm "$syms") || fail "no symbol table in $syms"
# Every defined code symbol's address, sorted: a function ends where the
# next symbol begins.
starts=$(printf '%s\n' "$nm" | awk '$2 ~ /^[Tt]$/ {print $1}' | sort -u)

for name in $want; do
  ord=$(printf '%s\n' "$names" | awk -v n="$name" '$2 == n {print $1}')
  rva=$(printf '%s\n' "$addrs" | awk -v o="$ord" '$1 == o {print $2}')
  [ -n "$rva" ] || fail "$name has no address"
  va=$(printf '%08x' $((0x$base + 0x$rva)))
  set -- $text
  [ $((0x$va)) -ge $((0x$1)) ] && [ $((0x$va)) -lt $((0x$1 + 0x$2)) ] ||
    fail "$name points at $va, outside the code section"
  # Exactly one decorated definition, and no undefined reference to it.
  sym=$(printf '%s\n' "$nm" | awk -v n="_$name@" '$2 ~ /^[Tt]$/ && index($3, n) == 1 && $3 ~ /@[0-9]+$/')
  [ "$(printf '%s\n' "$sym" | grep -c .)" = 1 ] || fail "$name: no single decorated definition _$name@N"
  printf '%s\n' "$nm" | awk -v n="_$name@" '$1 == "U" && index($2, n) == 1' | grep -q . &&
    fail "$name: the decorated symbol is left undefined"
  set -- $sym
  [ "$1" = "$va" ] || fail "$name points at $va, but $3 is at $1"
  bytes=${3##*@}
  next=$(printf '%s\n' "$starts" | awk -v a="$va" '$1 > a {print $1; exit}')
  [ -n "$next" ] || fail "$name: no end found"
  rets=$(i686-w64-mingw32-objdump -d --start-address=0x"$va" --stop-address=0x"$next" "$syms" |
    awk -F'\t' '$3 ~ /^ret/ {sub(/^ret[lw]? */, "", $3); print $3 == "" ? 0 : $3}' | sort -u)
  [ -n "$rets" ] || fail "$name: no return found"
  for r in $rets; do
    r=${r#\$}
    [ $((r)) = "$bytes" ] || fail "$name returns popping $((r)) bytes, not the $bytes of stdcall ${3#_}"
  done
done

imports=$(printf '%s\n' "$dump" | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
for name in $imports; do
  case "$name" in
    kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | ntdll.dll) ;;
    *) fail "imports a non-system DLL: $name" ;;
  esac
done
echo "exports (each bound to its stdcall function, returns checked): $(echo $have)"
echo "imports: $(echo $imports)"
