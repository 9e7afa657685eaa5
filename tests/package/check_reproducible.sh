#!/usr/bin/env bash
# The same sources give the same bytes: a second clean Release build, in a folder of another
# name, makes the same programs and desktop cabinet as the suite's own build, and a second
# device build of both sets the same images and ARM cabinets as the suite's (the device
# image fixtures leave them in BUILD_DIR/device and BUILD_DIR/device/armv4i). Only what the cabinets need is built again.
# Usage: check_reproducible.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
export FERROLT_BUILD="$build"
# One prefix and server for every Wine run below (the test's own under ctest).
. "$source_dir/scripts/wine-env.sh"
work="$build/reproducible"
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# ccache, where the machine has it, hands the second build the objects of the first: what
# differs between two builds is then what linking and packaging add, which this test is
# about.
. "$source_dir/scripts/compiler-cache.sh"
# A clean Release build of the programs the cabinets hold, configured afresh, without tests.
release_build() {
  cmake -S "$source_dir" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DFERROLT_TESTS=OFF \
    "${compiler_cache_cmake[@]}" \
    >/dev/null
  cmake --build "$1" -j "$(nproc)" --target Ferrolt Ostrel MakeSetupHeader >/dev/null
}
# The suite's build is the first when it is what ships (Release, as scripts/test.sh makes
# it); another build type gets a first Release build of its own.
first="$build"
if [ "$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")" != Release ]; then
  first="$(dirname "$build")/$(basename "$build")-release-first"
  release_build "$first"
fi
# Beside the first, so that ccache sees the same paths relative to the build folder; gone
# again when the check passes.
second="$(dirname "$build")/$(basename "$build")-built-again"
rm -rf "$second"
release_build "$second"
package() {  # package <build folder> <device folder> <cabinets folder>
  FERROLT_BUILD="$1" FERROLT_DEVICE_BUILD="$2" FERROLT_CABINETS="$3" FERROLT_ARMV4I_BUILD="$work/none" \
    bash "$source_dir/scripts/package.sh" --no-build >/dev/null
}
package "$first" "$work/none" "$work/first-cabinets"
package "$second" "$work/none" "$work/second-cabinets"
for file in Ferrolt.exe Ostrel.dll; do
  cmp "$first/$file" "$second/$file" || fail "$file differs between two clean builds"
done
cmp "$work/first-cabinets/Ferrolt.Desktop.cab" "$work/second-cabinets/Ferrolt.Desktop.cab" ||
  fail "Ferrolt.Desktop.cab differs between two clean builds"
sha256sum "$work"/*-cabinets/Ferrolt.Desktop.cab

# Both device sets: the ARMv7 images in device/, the ARMV4I ones in device/armv4i/.
if [ -f "$build/device/Ferrolt.exe" ] && [ -f "$build/device/armv4i/Ferrolt.exe" ]; then
  FERROLT_DEVICE_BUILD="$work/device-elsewhere" bash "$source_dir/scripts/build-device.sh" >/dev/null
  package() {  # package <device folder> <cabinets folder>
    FERROLT_BUILD="$first" FERROLT_DEVICE_BUILD="$1" FERROLT_ARMV4I_BUILD="$1/armv4i" FERROLT_CABINETS="$2" \
      bash "$source_dir/scripts/package.sh" --no-build >/dev/null
  }
  package "$build/device" "$work/first-device-cabinets"
  package "$work/device-elsewhere" "$work/second-device-cabinets"
  for file in Ferrolt.exe Ostrel.dll armv4i/Ferrolt.exe armv4i/Ostrel.dll; do
    cmp "$build/device/$file" "$work/device-elsewhere/$file" || fail "device $file differs between two device builds"
  done
  for cab in Ferrolt.ARMV7.cab Ferrolt.ARMV4I.cab; do
    cmp "$work/first-device-cabinets/$cab" "$work/second-device-cabinets/$cab" ||
      fail "$cab differs between two device builds"
    sha256sum "$work"/*-device-cabinets/$cab
  done
else
  fail "no device images in $build/device and $build/device/armv4i to compare (the device image fixtures make them)"
fi

if [ "$failures" -eq 0 ]; then
  rm -rf "$second"
  echo "reproducible: all checks passed"
fi
exit $((failures > 0))
