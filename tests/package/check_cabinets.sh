#!/usr/bin/env bash
# The installable cabinets, made by scripts/package.sh from this build: cabextract lists
# exactly the numbered files, a second run gives the same bytes, a device build gives the
# ARM cabinet. Also leaves in BUILD_DIR/cabinets the cabinets test_setup_hooks installs:
# the desktop cabinet, one with registry values and a shortcut in its header, and damaged
# ones the installer must refuse. Usage: check_cabinets.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
export FERROLT_BUILD="$build"
# One prefix and server for every Wine run below (the test's own under ctest).
. "$source_dir/scripts/wine-env.sh"
work="$build/cabinet-test"
out="$build/cabinets"
rm -rf "$work" "$out"
mkdir -p "$work/device" "$out/damaged"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# A stand-in device build: the desktop programs under the names the device build uses.
cp "$build/Ferrolt.exe" "$build/Ostrel.dll" "$work/device/"
FERROLT_CABINETS="$out" FERROLT_DEVICE_BUILD="$work/device" \
  bash "$source_dir/scripts/package.sh" --no-build >/dev/null
FERROLT_CABINETS="$work/again" FERROLT_DEVICE_BUILD="$work/device" \
  bash "$source_dir/scripts/package.sh" --no-build >/dev/null

expected="Ferrolt.000 Ferrolt.001 Ferrolt.002 Ferrolt.003 Ferrolt.004 Ferrolt.005 Ferrolt.006 Ferrolt.007 Ferrolt.008 Ferrolt.999"
for cab in Ferrolt.Desktop.cab Ferrolt.ARMV7.cab; do
  [ -f "$out/$cab" ] || { fail "$cab was not made"; continue; }
  listed=$(cabextract -l "$out/$cab" | awk '/\|/ && $NF ~ /^Ferrolt\./ { print $NF }' | sort | tr '\n' ' ')
  [ "$listed" = "$expected " ] || fail "$cab lists [$listed], expected [$expected ]"
  cmp -s "$out/$cab" "$work/again/$cab" || fail "$cab differs when made again from the same sources"
done

# The processor each header names: any for the desktop, ARM for the device.
for pair in "Ferrolt.Desktop.cab 0" "Ferrolt.ARMV7.cab 2577"; do
  set -- $pair
  rm -rf "$work/x" && mkdir "$work/x"
  cabextract -q -d "$work/x" "$out/$1" >/dev/null
  processor=$(od -An -tu4 -j16 -N4 "$work/x/Ferrolt.000" | tr -d ' ')
  [ "$processor" = "$2" ] || fail "$1 names processor $processor, expected $2"
done

# Cabinets made from the desktop cabinet's files: pack <cabinet> <folder>
pack() { (cd "$2" && touch -d '2026-01-01 00:00:00' Ferrolt.* && gcab -c -n -z "$1" $(ls Ferrolt.* | sort)); }
fresh() { rm -rf "$work/files" && mkdir "$work/files" && cabextract -q -d "$work/files" "$out/Ferrolt.Desktop.cab"; }
patch() { python3 - "$work/files/Ferrolt.000" "$@" <<'PY'
import struct, sys
path, what = sys.argv[1], sys.argv[2]
data = bytearray(open(path, "rb").read())
if what == "offset":    # the files section placed far beyond the header's end
    struct.pack_into("<I", data, 0x40, 0x7FFFFFF0)
elif what == "cut":     # the header cut short; its length field still says the whole
    data = data[:len(data) // 2]
elif what == "path":    # an installed name that climbs out of its folder
    data = data.replace(b"Ferrolt.txt", b"..\\rolt.txt")
open(path, "wb").write(data)
PY
}
head -c $(( $(stat -c %s "$out/Ferrolt.Desktop.cab") / 2 )) "$out/Ferrolt.Desktop.cab" > "$out/damaged/cut-cabinet.cab"
for what in offset cut path; do
  fresh && patch "$what" && pack "$out/damaged/header-$what.cab" "$work/files"
done
fresh && rm "$work/files/Ferrolt.003" && pack "$out/damaged/missing-file.cab" "$work/files"

# Registry values and a shortcut the installer itself makes from the header.
cp "$source_dir/packaging/Ferrolt.package" "$work/extras.package"
cat >> "$work/extras.package" <<'TXT'
folder \Windows\Start Menu
key HKCU Software\FerroltCabinetTest\Values
value 1 string Greeting=hello there
value 1 dword Count=7
shortcut 2 file 1 Ferrolt Kiosk
TXT
fresh
"$source_dir/scripts/wine-run.sh" "$build/MakeSetupHeader.exe" "Z:$work/extras.package" "Z:$work/files/Ferrolt.000" \
  </dev/null || fail "MakeSetupHeader refused the extended description"
pack "$out/extras.cab" "$work/files"

[ "$failures" -eq 0 ] && echo "cabinets: all checks passed"
exit $((failures > 0))
