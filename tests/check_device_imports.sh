#!/usr/bin/env bash
# Fails when the launcher or the setup extension imports a platform function that the
# device's core library does not export and no stand-in in cecompat/ provides.
# Usage: check_device_imports.sh [--decorated] <nm> <exports list> <build folder> <object>...
# Objects whose path below the build folder lies in cecompat/ are the stand-ins: what they
# define counts as provided, what they import is not checked.
# In a 32-bit x86 object every symbol carries a leading underscore and a stdcall function
# its argument size as well (_BeginPaint@8): with --decorated, names are compared without
# either, as the device's list spells them.
set -euo pipefail
decorated=0
[ "${1:-}" = --decorated ] && { decorated=1; shift; }
nm="$1" exports="$2" build="$3"
shift 3
plain_names() {
  if [ "$decorated" = 1 ]; then sed -E 's/^_//; s/@[0-9]+$//'; else cat; fi
}

# Desktop spellings of functions the device has under another name or as a header macro.
desktop_spellings="GetProcAddress GetWindowLongPtrW SetWindowLongPtrW GetClassLongPtrW
SetClassLongPtrW ShellExecuteExW SHGetFileInfoW SHGetSpecialFolderPathW LockResource
InitCommonControls"

# Functions of optional device components: the product looks them up at run time and must
# never import them, stand-in or not (a device without the component would not load it).
looked_up="GetSystemPowerStatusEx GetSystemPowerStatusEx2"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
: >"$work/imports"
: >"$work/defined"
product=0
for object in "$@"; do
  [ -f "$object" ] || { echo "missing object: $object" >&2; exit 1; }
  "$nm" --defined-only -g "$object" | awk 'NF == 3 { print $3 }' | plain_names >>"$work/defined"
  case "${object#"$build"/}" in
  */cecompat/* | cecompat/*) continue ;;
  esac
  product=$((product + 1))
  "$nm" -u "$object" | awk '{ name = $NF; sub(/^__imp_/, "", name); print name }' | plain_names |
    awk -v object="${object#"$build"/}" '{ print $0 "\t" object }' >>"$work/imports"
done
[ "$product" -gt 0 ] || { echo "no product objects given" >&2; exit 1; }

sort -u "$work/defined" >"$work/defined.sorted"
tr -d '\r' <"$exports" | sort -u >"$work/device"
printf '%s\n' $desktop_spellings | sort -u >"$work/desktop"
cat "$work/defined.sorted" "$work/device" "$work/desktop" | sort -u >"$work/allowed"

cut -f1 "$work/imports" | sort -u >"$work/names"
external=$(comm -23 "$work/names" "$work/defined.sorted" | wc -l)
[ "$external" -gt 0 ] || { echo "no platform imports found: is $nm the right tool?" >&2; exit 1; }

for name in $looked_up; do
  if grep -qx "$name" "$work/names"; then
    echo "Imported, but an optional component's function that must be looked up at run time:"
    awk -F'\t' -v name="$name" '$1 == name { print "  " name "  in " $2 }' "$work/imports" | sort -u
    exit 1
  fi
done

missing=$(comm -23 "$work/names" "$work/allowed")
if [ -n "$missing" ]; then
  echo "Platform functions the device does not have (use what it exports or a stand-in in cecompat/):"
  for name in $missing; do
    awk -F'\t' -v name="$name" '$1 == name { print "  " name "  in " $2 }' "$work/imports" | sort -u
  done
  exit 1
fi
echo "$external platform functions imported, all on the device or stood in for"
