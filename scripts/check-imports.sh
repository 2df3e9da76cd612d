#!/bin/bash
# Checks the shipped exe: a 32-bit PE for the GUI subsystem 4.0 whose every import is on the
# reviewed list (cmake/imports.txt, lines "DLL!Function"), comes from one of the seven system DLLs
# that every Windows 95 has (no C run-time DLL: the first release of 95 has no MSVCRT.DLL) and is
# no wide-character function (Windows 9x exports most of them as stubs that fail). Usage: scripts/check-imports.sh korvane.exe [imports.txt]   (--list prints the imports)
set -uo pipefail
export LC_ALL=C   # one collation for sort and comm
here=$(cd "$(dirname "$0")" && pwd)
list_only=0
if [ "${1:-}" = "--list" ]; then list_only=1; shift; fi
exe=${1:?exe}
reviewed=${2:-$here/../cmake/imports.txt}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
allowed_dlls="KERNEL32 USER32 GDI32 ADVAPI32 SHELL32 COMCTL32 COMDLG32"

dump=$("$objdump" -p "$exe") || { echo "check-imports: cannot read $exe"; exit 1; }

# "DLL!Function" per import, DLL in upper case without ".dll".
imports=$(echo "$dump" | awk '
  /^\tDLL Name: / { dll = toupper($3); sub(/\.DLL$/, "", dll); next }
  /^\tvma:/ { next }
  dll != "" && /^\t[0-9a-f]+\t/ { name = $NF; if (NF >= 3) print dll "!" name; next }
  /^$/ { dll = "" }' | sort -u)

if [ "$list_only" = 1 ]; then echo "$imports"; exit 0; fi

status=0
fail() { echo "check-imports: $*"; status=1; }

grep -qE '^Magic[[:space:]]+010b' <<<"$dump" || fail "$exe is not a 32-bit PE (PE32)"
grep -qE '^Subsystem[[:space:]]+00000002' <<<"$dump" || fail "$exe is not a Windows GUI program"
grep -qE '^AddressOfEntryPoint[[:space:]]+0*[1-9a-f]' <<<"$dump" || fail "$exe has no entry point"
grep -qE '^MajorSubsystemVersion[[:space:]]+4$' <<<"$dump" &&
  grep -qE '^MinorSubsystemVersion[[:space:]]+0$' <<<"$dump" || fail "$exe does not ask for subsystem version 4.0"

for dll in $(echo "$imports" | cut -d'!' -f1 | sort -u); do
  case " $allowed_dlls " in
    *" $dll "*) ;;
    *) fail "$exe imports from $dll, which is not one of $allowed_dlls" ;;
  esac
done

wide=$(echo "$imports" | grep -E '![A-Za-z_0-9]*[a-z0-9]W$|!wcs' || true)
if [ -n "$wide" ]; then
  fail "$exe imports wide-character functions:"
  echo "$wide" | sed 's/^/    /'
fi

reviewed_list=$(grep -vE '^[[:space:]]*(#|$)' "$reviewed" | tr -d '\r' | sort -u)
new=$(comm -23 <(echo "$imports") <(echo "$reviewed_list"))
if [ -n "$new" ]; then
  echo "check-imports: $exe has imports that are not on the reviewed list $reviewed."
  echo "Check that Windows 95/98 exports each one, then add these lines to that file:"
  echo "$new" | sed 's/^/    /'
  status=1
fi
gone=$(comm -13 <(echo "$imports") <(echo "$reviewed_list"))
if [ -n "$gone" ]; then
  echo "check-imports: note: listed but no longer imported (may be removed from the list):"
  echo "$gone" | sed 's/^/    /'
fi
[ $status = 0 ] && echo "check-imports: $exe: PE32, GUI 4.0, $(echo "$imports" | wc -l) imports from $(echo "$imports" | cut -d'!' -f1 | sort -u | tr '\n' ' ')all reviewed"
exit $status
