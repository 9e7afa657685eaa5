#!/usr/bin/env bash
# Prints the size of each device image (both sets of scripts/build-device.sh, built when
# missing) beside its bound: the ARMV4I launcher, ARM instructions being larger than
# Thumb-2 ones, may be up to 1.5 times the ARMv7 one. Fails past the bound.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
device="${FERROLT_DEVICE_BUILD:-$(dirname "$here")/build-device}"
for image in Ferrolt.exe Ostrel.dll armv4i/Ferrolt.exe armv4i/Ostrel.dll; do
  if [ ! -f "$device/$image" ]; then
    FERROLT_DEVICE_BUILD="$device" "$here/../scripts/build-device.sh" >/dev/null
    break
  fi
done
size() { stat -c %s "$device/$1"; }
printf 'device image  ARMv7 %s: %d bytes, ARMV4I %s: %d bytes\n' \
  Ostrel.dll "$(size Ostrel.dll)" Ostrel.dll "$(size armv4i/Ostrel.dll)"
armv7=$(size Ferrolt.exe) armv4i=$(size armv4i/Ferrolt.exe)
bound=$((armv7 * 3 / 2))
printf 'device image  ARMv7 Ferrolt.exe: %d bytes, ARMV4I Ferrolt.exe: %d bytes (bound %d, 1.5 x ARMv7)\n' \
  "$armv7" "$armv4i" "$bound"
[ "$armv4i" -le "$bound" ] || { echo "the ARMV4I launcher is past its bound" >&2; exit 1; }
