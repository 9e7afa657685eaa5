#!/usr/bin/env bash
# Builds the ARMV4I launcher (Ferrolt.exe) and setup extension (Ostrel.dll) for Windows CE
# 5.0 to 7.0 and Windows Mobile: ARM-mode objects from Debian's arm-none-eabi-gcc (ARMv4T,
# interworking, soft float, libgcc linked in), linked by arm-none-eabi-ld at the image's
# base with its relocations kept, then written as a PE image by elf_to_pe.py. Called by
# scripts/build-device.sh; output: $FERROLT_DEVICE_BUILD/armv4i/.
# With --shapes it only checks the device's record layouts (tests/device_shapes.cpp).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
src="$(cd "$here/.." && pwd)"
out="${FERROLT_DEVICE_BUILD:-$src/build-device}/armv4i"
mkdir -p "$out/obj"
py=/usr/bin/python3

# The device's calling convention: 16-bit wchar_t, int-sized enums, signed char, structures
# returned through a hidden pointer. ARMv4T has no ldrd/strd, so nothing assumes an 8-byte
# aligned stack. C++03 as the device compilers know it: C++11 constructs are errors.
target=(-march=armv4t -marm -mthumb-interwork -mfloat-abi=soft -fshort-wchar -fno-short-enums -fsigned-char
  -fpcc-struct-return)
# The mingw-w64 headers serve as the platform's headers: this compiler is no Windows one,
# so the Windows calling-convention and import keywords mean nothing here, and the one
# compiler header they ask for that an ARM compiler lacks is an empty one (ceimage/include).
cxxflags=("${target[@]}" -std=c++03 -Os -fno-exceptions -fno-rtti -fno-stack-protector -fno-threadsafe-statics
  -ffunction-sections -fdata-sections -Wall -Wno-unused-parameter -Wno-unused-function
  -Werror=c++11-extensions -Werror=c++11-compat -Werror=c++14-extensions -Werror=c++17-extensions
  -Werror=c++20-extensions
  -nostdinc -isystem "$here/include" -isystem "$(arm-none-eabi-gcc -print-file-name=include)"
  -isystem /usr/share/mingw-w64/include -D_WIN32 -DWIN32 -D__MINGW32__
  '-D__declspec(x)=' -D__stdcall= -D__cdecl=
  -D_WIN32_WCE=0x500 -DUNDER_CE -DUNICODE -D_UNICODE
  -D_WIN32_WINNT=0x0601 -DWINVER=0x0601 -D_WIN32_IE=0x0600 -I"$src" -I"$src/resources")

arm-none-eabi-g++ "${cxxflags[@]}" -fsyntax-only "$src/tests/device_shapes.cpp"
if [ "${1:-}" = --shapes ]; then
  echo "ARMV4I device record layouts: as documented"
  exit 0
fi

cd "$src"
. "$src/scripts/device-sources.sh"
device_sources
compile_device_sources arm-none-eabi-g++ "${cxxflags[@]}"

windres=$(command -v llvm-windres || ls /usr/lib/llvm-*/bin/llvm-windres | sort -V | tail -1)
"$windres" --target=armv7-w64-mingw32 -I/usr/share/mingw-w64/include -I"$src/resources" -I"$src" -DUNDER_CE \
  -O res "$src/resources/Ferrolt.rc" "$out/obj/Ferrolt.res"

libgcc=$(arm-none-eabi-gcc "${target[@]}" -print-libgcc-file-name)
assemble() { arm-none-eabi-as -march=armv4t -mfloat-abi=soft -o "${1%.S}.o" "$1"; }

# link <image> <base> <entry> <dll?> <objects...>: the names the objects leave undefined
# after a first link become the import table; the second link must then leave none.
link() {
  local image="$1" base="$2" entry="$3" dll="$4" stem="$out/obj/${1%.*}"
  shift 4
  local ld=(arm-none-eabi-ld -q --gc-sections -nostdlib -T "$here/image.ld" --defsym=__image_base="$base"
    -e "$entry")
  "${ld[@]}" --unresolved-symbols=ignore-all -o "$stem.first.elf" "$@" "$libgcc"
  arm-none-eabi-nm -u "$stem.first.elf" | awk '{ print $2 }' >"$stem.undefined"
  $py "$here/import_table.py" "$base" "$stem.undefined" "$stem.imports.S" \
    coredll.dll="$src/cecompat/coredll-exports.txt" commctrl.dll="$src/cecompat/commctrl-exports.txt"
  assemble "$stem.imports.S"
  "${ld[@]}" -o "$stem.elf" "$@" "$stem.imports.o" "$libgcc"
  $py "$here/elf_to_pe.py" $dll "$stem.elf" "$out/$image"
}

$py "$here/resource_table.py" 0x10000 "$out/obj/Ferrolt.res" "$out/obj/Ferrolt.rsrc.S"
assemble "$out/obj/Ferrolt.rsrc.S"
$py "$here/export_table.py" 0x10000000 "$src/setup/Ostrel.def" "$out/obj/Ostrel.exports.S"
assemble "$out/obj/Ostrel.exports.S"
link Ferrolt.exe 0x10000 WinMainCRTStartup "" "${launcher_objects[@]}" "$out/obj/Ferrolt.rsrc.o"
link Ostrel.dll 0x10000000 DllMain --dll "${setup_objects[@]}" "$out/obj/Ostrel.exports.o"
ls -l "$out/Ferrolt.exe" "$out/Ostrel.dll"
