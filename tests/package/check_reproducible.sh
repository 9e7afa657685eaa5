#!/usr/bin/env bash
# The same sources give the same bytes: two clean Release builds in two folders of different
# names make byte-identical desktop cabinets, and, where the device toolchain is installed,
# two device builds make byte-identical images and ARM cabinets. Only what the cabinets need
# is built. Usage: check_reproducible.sh BUILD_DIR SOURCE_DIR
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

# ccache, where the machine has it, hands the second build the objects of the first (their
# paths taken relative to the build folder, as scripts/build.sh has it): what differs
# between two builds is then what linking and packaging add, which this test is about.
export CCACHE_BASEDIR="$(dirname "$source_dir")" CCACHE_NOHASHDIR=1
folders=("$work/first" "$work/second-build-elsewhere")
for folder in "${folders[@]}"; do
  # A build of its own from scratch: configured afresh, without the tests.
  cmake -S "$source_dir" -B "$folder" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DFERROLT_TESTS=OFF \
    $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache) \
    >/dev/null
  cmake --build "$folder" -j "$(nproc)" --target Ferrolt Ostrel MakeSetupHeader >/dev/null
  FERROLT_BUILD="$folder" FERROLT_CABINETS="$folder/cabinets" FERROLT_DEVICE_BUILD="$work/none" \
    FERROLT_ARMV4I_BUILD="$work/none" bash "$source_dir/scripts/package.sh" --no-build >/dev/null
done
for file in Ferrolt.exe Ostrel.dll cabinets/Ferrolt.Desktop.cab; do
  cmp "${folders[0]}/$file" "${folders[1]}/$file" || fail "$file differs between two clean builds"
done
sha256sum "${folders[@]/%//cabinets/Ferrolt.Desktop.cab}"

if command -v clang++ >/dev/null && command -v ld.lld >/dev/null && command -v arm-none-eabi-g++ >/dev/null; then
  for folder in "${folders[@]}"; do
    FERROLT_DEVICE_BUILD="$folder/device" bash "$source_dir/scripts/build-device.sh" >/dev/null
    FERROLT_BUILD="${folders[0]}" FERROLT_CABINETS="$folder/device-cabinets" FERROLT_DEVICE_BUILD="$folder/device" \
      bash "$source_dir/scripts/package.sh" --no-build >/dev/null
  done
  for file in device/Ferrolt.exe device/Ostrel.dll device-cabinets/Ferrolt.ARMV7.cab \
      device/armv4i/Ferrolt.exe device/armv4i/Ostrel.dll device-cabinets/Ferrolt.ARMV4I.cab; do
    cmp "${folders[0]}/$file" "${folders[1]}/$file" || fail "$file differs between two device builds"
  done
  sha256sum "${folders[@]/%//device-cabinets/Ferrolt.ARMV7.cab}" "${folders[@]/%//device-cabinets/Ferrolt.ARMV4I.cab}"
else
  echo "the device toolchains (clang and lld, arm-none-eabi) are missing: ARM cabinets not compared"
fi

[ "$failures" -eq 0 ] && echo "reproducible: all checks passed"
exit $((failures > 0))
