#!/usr/bin/env bash
# The installable cabinets, made by scripts/package.sh from this build: cabextract lists
# exactly the numbered files, the header first and the rest from the highest number down;
# each install header, read by a reader written from the format's public description,
# names the processor and versions of its devices; a second run gives the same bytes and
# leaves no cabinet of an earlier run; the release holds the device cabinets, the checker
# (importing system libraries only) and checksums that verify.
# Also leaves in BUILD_DIR/cabinets the cabinets test_setup_hooks installs: the desktop
# cabinet, one with registry values and a shortcut in its header, and hostile ones the
# installer must refuse or undo. Usage: check_cabinets.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
export FERROLT_BUILD="$build"
# One prefix and server for every Wine run below (the test's own under ctest).
. "$source_dir/scripts/wine-env.sh"
work="$build/cabinet-test"
out="$build/cabinets"
reader="$source_dir/tests/package/read_install_header.py"
damage="$source_dir/tests/package/hostile_header.py"
rm -rf "$work" "$out"
mkdir -p "$work/device" "$out/damaged"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# A stand-in device build: the desktop programs under the names the device builds use.
cp "$build/Ferrolt.exe" "$build/Ostrel.dll" "$work/device/"
package() { bash "$source_dir/scripts/package.sh" --no-build >/dev/null; }
FERROLT_CABINETS="$out" FERROLT_DEVICE_BUILD="$work/device" FERROLT_ARMV4I_BUILD="$work/device" package
FERROLT_CABINETS="$work/again" FERROLT_DEVICE_BUILD="$work/device" FERROLT_ARMV4I_BUILD="$work/device" package

expected="Ferrolt.000 Ferrolt.999 Ferrolt.008 Ferrolt.007 Ferrolt.006 Ferrolt.005 Ferrolt.004 Ferrolt.003 Ferrolt.002 Ferrolt.001"
for cab in Ferrolt.Desktop.cab Ferrolt.ARMV7.cab Ferrolt.ARMV4I.cab; do
  [ -f "$out/$cab" ] || { fail "$cab was not made"; continue; }
  listed=$(cabextract -l "$out/$cab" | awk '/\|/ && $NF ~ /^Ferrolt\./ { print $NF }' | tr '\n' ' ')
  [ "$listed" = "$expected " ] || fail "$cab lists [$listed], expected [$expected ]"
  cmp -s "$out/$cab" "$work/again/$cab" || fail "$cab differs when made again from the same sources"
done

# Each header as the device reads it: the fixed words, the names, the files and where they
# go, and the processor and versions of the devices the cabinet is for (StrongARM, the
# description's ARM code; Windows Embedded Compact 2013 is CE 8.0).
case "$(od -An -tx2 -j$(( $(od -An -tu4 -j60 -N4 "$build/Ferrolt.exe") + 4 )) -N2 "$build/Ferrolt.exe" | tr -d ' ')" in
  8664) desktop=8664 ;; 014c) desktop=386 ;; *) desktop=unknown ;;
esac
files=""
i=0
for name in Ferrolt.exe CE_Ferrolt.reg WM_Ferrolt.reg FerroltCE.cpy FerroltWM.cpy Ferrolt.txt Ferrolt.lnk header.bmp; do
  i=$((i + 1)); files="$files${files:+,}$i:\\Application\\Ferrolt\\$name"
done
for row in "Desktop $desktop 0.0 0.0" "ARMV7 2577 8.0 8.0" "ARMV4I 2577 5.0 7.0"; do
  set -- $row
  rm -rf "$work/x" && mkdir "$work/x"
  cabextract -q -d "$work/x" "$out/Ferrolt.$1.cab" >/dev/null 2>&1 || { fail "Ferrolt.$1.cab cannot be unpacked"; continue; }
  python3 "$reader" "$work/x/Ferrolt.000" word4=0 word12=0 word16=1 architecture="$2" min_version="$3" \
    max_version="$4" appname=Ferrolt provider=OrvantLLC count_links=0 files="$files" >/dev/null ||
    fail "the install header of Ferrolt.$1.cab (see above)"
done

# A run without device builds leaves no device cabinet of the earlier run behind.
FERROLT_CABINETS="$work/again" FERROLT_DEVICE_BUILD="$work/none" FERROLT_ARMV4I_BUILD="$work/none" package
for cab in Ferrolt.ARMV7.cab Ferrolt.ARMV4I.cab; do
  [ ! -e "$work/again/$cab" ] || fail "$cab of an earlier run is still there"
  [ ! -e "$work/again/release/$cab" ] || fail "the release still holds $cab of an earlier run"
done

# The release: the device cabinets, the checker and their checksums, nothing else.
release="$out/release"
listed=$(cd "$release" && ls | tr '\n' ' ')
[ "$listed" = "Ferrolt.ARMV4I.cab Ferrolt.ARMV7.cab FerroltCheck.exe SHA256SUMS " ] ||
  fail "the release holds [$listed]"
(cd "$release" && sha256sum --quiet -c SHA256SUMS) || fail "the release's SHA256SUMS do not verify"
summed=$(awk '{ print $2 }' "$release/SHA256SUMS" | tr '\n' ' ')
[ "$summed" = "Ferrolt.ARMV4I.cab Ferrolt.ARMV7.cab FerroltCheck.exe " ] || fail "SHA256SUMS covers [$summed]"
# The checker runs on any Windows desktop as it is: it imports only the system's own libraries.
objdump=$(command -v llvm-objdump || command -v x86_64-w64-mingw32-objdump)
imports=$("$objdump" -p "$release/FerroltCheck.exe" | awk '/DLL Name:/ { print tolower($NF) }' | sort -u)
[ -n "$imports" ] || fail "no imports read from FerroltCheck.exe"
for dll in $imports; do
  case "$dll" in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|comctl32.dll|ole32.dll|oleaut32.dll|\
    windowscodecs.dll|msvcrt.dll|shlwapi.dll|comdlg32.dll|version.dll) ;;
    *) fail "FerroltCheck.exe imports $dll, which a Windows desktop does not hold by itself" ;;
  esac
done

# Cabinets made from the desktop cabinet's files: pack <cabinet> <folder>
pack() {
  (cd "$2" && touch -d '2026-01-01 00:00:00' Ferrolt.* &&
   gcab -c -n -z "$1" Ferrolt.000 $(ls Ferrolt.* | grep -v '^Ferrolt\.000$' | sort -r))
}
fresh() { rm -rf "$work/files" && mkdir "$work/files" && cabextract -q -d "$work/files" "$out/Ferrolt.Desktop.cab"; }
head -c $(( $(stat -c %s "$out/Ferrolt.Desktop.cab") / 2 )) "$out/Ferrolt.Desktop.cab" > "$out/damaged/cut-cabinet.cab"
{ fresh && rm "$work/files/Ferrolt.003" && pack "$out/damaged/missing-file.cab" "$work/files"; } ||
  fail "cannot make missing-file.cab"
# A setup extension that loads but lacks the hooks: the Windows Mobile shell's stand-in.
{ fresh && cp "$build/standins/aygshell.dll" "$work/files/Ferrolt.999" && pack "$out/damaged/no-hooks.cab" "$work/files"; } ||
  fail "cannot make no-hooks.cab"

# Registry values and a shortcut the installer itself makes from the header.
extras() {
  cp "$source_dir/packaging/Ferrolt.package" "$work/extras.package"
  cat >> "$work/extras.package" <<'TXT'
key HKCU Software\FerroltCabinetTest\Values
value 1 string Greeting=hello there
value 1 dword Count=7
value 1 multi List=a|bc
shortcut %CE17% file 1 Ferrolt Kiosk
TXT
  fresh
  "$source_dir/scripts/wine-run.sh" "$build/MakeSetupHeader.exe" "Z:$work/extras.package" "Z:$work/files/Ferrolt.000" \
    /cabinet Desktop /processor 0 </dev/null || fail "MakeSetupHeader refused the extended description"
}
{ extras && pack "$out/extras.cab" "$work/files"; } || fail "cannot make extras.cab"

# Hostile headers: <cabinet> <damage> [arguments], each from the desktop cabinet, or from
# the one with registry values where the damage is to one of them.
while read -r name from what arguments; do
  [ -n "$name" ] || continue
  if [ "$from" = extras ]; then extras; else fresh; fi
  eval "python3 \"$damage\" \"$work/files/Ferrolt.000\" $what $arguments" || fail "cannot make $name"
  pack "$out/damaged/$name.cab" "$work/files" || fail "cannot make $name.cab"
done <<'TABLE'
header-offset desktop offset
header-cut desktop cut
header-path desktop replace Ferrolt.txt '..\\rolt.txt'
old-layout desktop old-layout
trailing-dot-blank desktop rename-file 4 'Ferrolt.exe. '
trailing-dot desktop rename-file 6 'Ferrolt.txt.'
only-dots desktop rename-file 6 '...'
dot-blank desktop rename-file 6 '. '
device-nul desktop rename-file 6 NUL
device-con-extension desktop rename-file 7 con.lnk
device-com1 desktop rename-file 8 COM1
device-lpt9-extension desktop rename-file 8 lpt9.bmp
same-file-other-case desktop rename-file 6 ferrolt.EXE
folder-of-dots desktop rename-string Ferrolt '...'
folder-device desktop rename-string Ferrolt AUX
string-number-zero desktop string-zero Ferrolt
list-with-zero desktop list-zero
multi-string-unterminated extras replace 'bc\0\0' 'bcc\0'
string-with-zero extras replace 'hello there' 'hello\0there'
TABLE

[ "$failures" -eq 0 ] && echo "cabinets: all checks passed"
exit $((failures > 0))
