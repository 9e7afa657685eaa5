#!/usr/bin/env bash
# Builds the launcher (Ferrolt.exe) and the setup extension (Ostrel.dll) for both kinds of
# device from the same sources. No C runtime is linked; both import only from the device's
# core library (coredll.dll, cecompat/coredll-exports.txt) and common controls
# (commctrl.dll, cecompat/commctrl-exports.txt).
#   ARMv7  Windows Embedded Compact 2013: Thumb-2, with clang, lld and llvm-dlltool.
#          Output: build-device/ (FERROLT_DEVICE_BUILD).
#   ARMV4I Windows CE 5.0 to 7.0 and every Windows Mobile: ARM mode with interworking, by
#          ceimage/build-armv4i.sh. Output: build-device/armv4i/.
# --armv7 or --armv4i builds only that set. With --shapes it only checks that the records
# the product exchanges with the device have the device's documented layout
# (tests/device_shapes.cpp), for both sets; the full build checks it first.
set -euo pipefail
src="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${FERROLT_DEVICE_BUILD:-$src/build-device}"
shapes_only=false armv7=true armv4i=true
case "${1:-}" in
  --shapes) shapes_only=true ;;
  --armv7) armv4i=false ;;
  --armv4i) armv7=false ;;
esac
[ -n "${FERROLT_DEVICE_PLANT:-}" ] && armv4i=false
# The tests build the images side by side, after the suite installed what it needs: they
# set FERROLT_DEPS_READY, so that no two package installs run at once.
$shapes_only || [ "${FERROLT_DEPS_READY:-}" = 1 ] || "$src/scripts/install-deps.sh"
if $armv4i; then
  FERROLT_DEVICE_BUILD="$out" bash "$src/ceimage/build-armv4i.sh" ${1:-}
fi
$armv7 || exit 0
mkdir -p "$out/obj" "$out/lib"

target=(--target=armv7-w64-windows-gnu -mthumb -march=armv7-a)
# The device build: C++03 as the device compilers know it, the device's own spellings
# (_WIN32_WCE), Unicode, no exceptions, RTTI, runtime or stack probes.
cxxflags=("${target[@]}" -std=c++03 -Os -fno-exceptions -fno-rtti -fno-stack-protector
  -fno-threadsafe-statics -ffunction-sections -fdata-sections -mno-stack-arg-probe
  -Wall -Wno-unused-parameter -Wno-unused-function -Werror=implicit-function-declaration
  -D_WIN32_WCE=0x800 -DUNDER_CE -DUNICODE -D_UNICODE
  -D_WIN32_WINNT=0x0601 -DWINVER=0x0601 -D_WIN32_IE=0x0600
  -nostdlibinc -isystem /usr/share/mingw-w64/include -I"$src" -I"$src/resources")
# Subsystem version 8.0 (Compact 2013); lld knows no Windows CE subsystem, so the images
# are marked as Windows CE GUI after linking.
# No link time in the images: the same sources give the same bytes.
ldflags=("${target[@]}" -fuse-ld=lld -nostdlib -Wl,--no-insert-timestamp -Wl,--subsystem,windows:8.0
  -Wl,--major-os-version,8 -Wl,--minor-os-version,0 -Wl,--gc-sections -s
  -L"$out/lib")

# FERROLT_DEVICE_PLANT=desktop-find-data builds a deliberately faulty image, with the
# desktop's file search record, for ce-run's tests to catch; the layout check, which
# would refuse it, is left out then.
# Only the setup extension, which searches files, is built then.
# FERROLT_DEVICE_PLANT=desktop-habits builds only tests/device/DesktopHabits.cpp, a small
# program that keeps the desktop's habits with the platform's calls, into DesktopHabits.exe.
planted=false
[ "${FERROLT_DEVICE_PLANT:-}" = desktop-habits ] && habits_only=true
if [ "${FERROLT_DEVICE_PLANT:-}" = desktop-find-data ]; then
  planted=true
  cxxflags+=(-DCE_PLANTED_DESKTOP_FIND_DATA)
  echo "planted fault: the desktop's file search record (not for a device)"
else
# The device's record layouts, before anything is built with the wrong ones.
clang++ "${cxxflags[@]}" -fsyntax-only "$src/tests/device_shapes.cpp"
fi
if $shapes_only; then
  echo "device record layouts: as documented"
  exit 0
fi

# Import libraries from the export lists.
importlib() {
  local dll="$1" list="$2"
  { echo "LIBRARY $dll"; echo "EXPORTS"; tr -d '\r' <"$list" | grep -v '^$'; } >"$out/lib/${dll%.dll}.def"
  llvm-dlltool -m arm -d "$out/lib/${dll%.dll}.def" -l "$out/lib/lib${dll%.dll}.a"
}
importlib coredll.dll "$src/cecompat/coredll-exports.txt"
importlib commctrl.dll "$src/cecompat/commctrl-exports.txt"

if [ "${habits_only:-false}" = true ]; then
  clang++ "${cxxflags[@]}" -c "$src/tests/device/DesktopHabits.cpp" -o "$out/obj/DesktopHabits.o"
  clang++ "${ldflags[@]}" -Wl,--entry,WinMainCRTStartup -o "$out/DesktopHabits.exe" \
    "$out/obj/DesktopHabits.o" -lcoredll -lcommctrl
  python3 "$src/scripts/set-ce-subsystem.py" "$out/DesktopHabits.exe"
  ls -l "$out/DesktopHabits.exe"
  exit 0
fi

. "$src/scripts/device-sources.sh"
# Global objects with constructors would need a runtime to run them; there must be none.
no_constructors() {
  local object
  for object in "$@"; do
    if llvm-objdump -h "$object" | grep -qE ' \.(ctors|init_array|CRT\$XC)'; then
      echo "$object has static constructors, which nothing runs on the device" >&2
      return 1
    fi
  done
}

cd "$src"
if $planted; then device_sources --setup-only; else device_sources; fi
compile_device_sources clang++ "${cxxflags[@]}"
no_constructors "${launcher_objects[@]}" "${setup_objects[@]}"

if $planted; then
  clang++ "${ldflags[@]}" -shared -Wl,--entry,DllMain -o "$out/Ostrel.dll" \
    "${setup_objects[@]}" "$src/setup/Ostrel.def" -lcoredll
  python3 "$src/scripts/set-ce-subsystem.py" "$out/Ostrel.dll"
  ls -l "$out/Ostrel.dll"
  exit 0
fi

# Resources: the launcher's icons, dialogs, accelerators and strings.
windres=$(command -v llvm-windres || ls /usr/lib/llvm-*/bin/llvm-windres | sort -V | tail -1)
"$windres" --target=armv7-w64-mingw32 -I/usr/share/mingw-w64/include -I"$src/resources" -I"$src" -DUNDER_CE \
  "$src/resources/Ferrolt.rc" "$out/obj/Ferrolt.res.o"

clang++ "${ldflags[@]}" -Wl,--entry,WinMainCRTStartup -o "$out/Ferrolt.exe" \
  "${launcher_objects[@]}" "$out/obj/Ferrolt.res.o" -lcoredll -lcommctrl
clang++ "${ldflags[@]}" -shared -Wl,--entry,DllMain -o "$out/Ostrel.dll" \
  "${setup_objects[@]}" "$src/setup/Ostrel.def" -lcoredll
python3 "$src/scripts/set-ce-subsystem.py" "$out/Ferrolt.exe" "$out/Ostrel.dll"
ls -l "$out/Ferrolt.exe" "$out/Ostrel.dll"
