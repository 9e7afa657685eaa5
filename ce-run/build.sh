#!/usr/bin/env bash
# Builds ce-run, a Winelib program (winegcc) with the Unicorn CPU emulator, into the folder
# given (default: build/ce-run). Run it as "<folder>/ce-run.exe.so" under Wine, or through
# the wrapper "<folder>/ce-run".
set -euo pipefail
src="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$src/build/ce-run}"
mkdir -p "$out/obj"
# Wide characters are the device's and Wine's, 16 bits.
flags=(-m64 -std=c++17 -O2 -g -Wall -Wno-unused-parameter -fshort-wchar -DWINE_UNICODE_NATIVE
  -DUNICODE -D_UNICODE -DCE_DEVICE_RECORDS_AS_NUMBERS -I"$src" -include "$src/ce-run/CrtShim.h")
sources=(ce-run/Main.cpp ce-run/Memory.cpp ce-run/Emulator.cpp ce-run/Loader.cpp ce-run/Thunks.cpp
  ce-run/Messages.cpp ce-run/Imports.cpp ce-run/DeviceRefusals.cpp ce-run/CrtShim.cpp
  cecompat/TopLevelWindow.cpp cecompat/PlatformType.cpp cecompat/ShellFileInfo.cpp cecompat/RegistryTree.cpp
  cecompat/ProcAddress.cpp cecompat/DIBitmap.cpp cecompat/ShortcutTarget.cpp cecompat/PowerStatus.cpp
  cecompat/cedb/CeDatabase.cpp)
objects=()
for source in "${sources[@]}"; do
  object="$out/obj/$(basename "${source%.cpp}").o"
  objects+=("$object")
  if [ ! -f "$object" ] || [ "$src/$source" -nt "$object" ] || [ "$src/ce-run/CeRun.h" -nt "$object" ] || [ "$src/cecompat/DeviceRecords.h" -nt "$object" ]; then
    echo "$source"
    # No more compilers at once than the machine has cores.
    while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n; done
    wineg++ "${flags[@]}" -c "$src/$source" -o "$object" &
  fi
done
# Every compile must have succeeded.
for pid in $(jobs -p); do wait "$pid"; done
for object in "${objects[@]}"; do [ -f "$object" ] || { echo "ce-run: $object was not built" >&2; exit 1; }; done
wineg++ -m64 -mconsole -o "$out/ce-run.exe" "${objects[@]}" -lunicorn \
  -luser32 -lgdi32 -ladvapi32 -lcomctl32 -lshell32 -lkernel32
