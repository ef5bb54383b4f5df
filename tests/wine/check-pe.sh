#!/bin/sh
# Checks the DLL's export table against the one list in the .def file (plain
# names, nothing more, nothing less) and that it imports system DLLs only.
# Usage: check-pe.sh DLL DEF
set -eu
dll=$1
def=$2
dump=$(i686-w64-mingw32-objdump -p "$dll")

want=$(sed -n '/^EXPORTS/,$p' "$def" | sed '1d; s/;.*//' | awk 'NF {print $1}' | sort)
have=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed '1d' | awk 'NF {print $NF}' | sort)
if [ "$want" != "$have" ]; then
  echo "exports differ from $def:"
  printf 'listed:\n%s\nexported:\n%s\n' "$want" "$have"
  exit 1
fi

imports=$(printf '%s\n' "$dump" | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
for name in $imports; do
  case "$name" in
    kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | ntdll.dll) ;;
    *) echo "imports a non-system DLL: $name"; exit 1 ;;
  esac
done
echo "exports: $(echo $have)"
echo "imports: $(echo $imports)"
