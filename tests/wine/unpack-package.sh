#!/bin/sh
# Unpacks the Windows release package into DIR, emptied first, and checks
# what a user gets: exactly its six files; the text files with CR LF line
# ends only; SHA256SUMS right for both binaries; the DLL passes check-pe.sh;
# neither binary carries its link time; plothost.exe imports only Windows
# system DLLs.
# Usage: unpack-package.sh ZIP DIR DEF SYMBOLS
# SYMBOLS: the unstripped DLL of the link, whose symbols name the functions.
set -eu
zip=$1
dir=$2
def=$3
syms=$4
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "unpack-package: $*" >&2; exit 1; }

[ -f "$zip" ] || fail "no package $zip"
case "$zip" in /*) ;; *) zip=$(pwd)/$zip ;; esac
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir"
cmake -E tar xf "$zip"

want="LICENSE.txt README.txt SHA256SUMS SVG.ini plothost.exe svgdrv.dll"
have=$(find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')
[ "$have" = "$want" ] || fail "holds [$have], not [$want]"

cr=$(printf '\r')
for f in README.txt SVG.ini LICENSE.txt SHA256SUMS; do
  # Each line ends in one CR before its LF, and holds no other CR; the last
  # line ends too.
  LC_ALL=C awk -v cr="$cr" 'index($0, cr) != length($0) || length($0) == 0 { bad = 1 }
                            END { exit bad }' "$f" || fail "$f: not CR LF line ends throughout"
  [ "$(tail -c 1 "$f" | od -An -c | tr -d ' ')" = '\n' ] || fail "$f: last line has no end"
done

[ "$(wc -l <SHA256SUMS)" -eq 2 ] || fail "SHA256SUMS should list the two binaries"
grep -q ' svgdrv\.dll.$' SHA256SUMS && grep -q ' plothost\.exe.$' SHA256SUMS ||
  fail "SHA256SUMS does not name svgdrv.dll and plothost.exe"
sha256sum --strict -c SHA256SUMS

"$here/check-pe.sh" svgdrv.dll "$def" "$syms"

# Reproducible: the link wrote no time into either binary.
for f in svgdrv.dll plothost.exe; do
  stamp=$(i686-w64-mingw32-objdump -p "$f" | grep -m 1 '^Time/Date' | sed 's|^Time/Date[[:space:]]*||')
  case "$stamp" in
    *" 1970") ;;
    *) fail "$f: the link stamped it with its time ($stamp)" ;;
  esac
done

imports=$(i686-w64-mingw32-objdump -p plothost.exe | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
for name in $imports; do
  case "$name" in
    kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | ntdll.dll) ;;
    *) fail "plothost.exe imports a non-system DLL: $name" ;;
  esac
done
echo "plothost.exe imports: $(echo $imports)"
echo "unpack-package: $(basename "$zip") ($(wc -c <"$zip") bytes) unpacked in $dir"
