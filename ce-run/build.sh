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
  ce-run/Messages.cpp ce-run/Imports.cpp ce-run/WindowImports.cpp ce-run/ShellAndFileImports.cpp
  ce-run/StoreImports.cpp ce-run/RuntimeImports.cpp ce-run/Timers.cpp ce-run/ShellLibrary.cpp ce-run/DeviceRefusals.cpp ce-run/WaitsAndWindows.cpp
  ce-run/CrtShim.cpp
  cecompat/TopLevelWindow.cpp cecompat/PlatformType.cpp cecompat/ShellFileInfo.cpp cecompat/RegistryTree.cpp
  cecompat/ProcAddress.cpp cecompat/AddressTable.cpp cecompat/DIBitmap.cpp cecompat/ShortcutTarget.cpp cecompat/PowerStatus.cpp
  cecompat/cedb/CeDatabase.cpp cecompat/aygshell/AygShell.cpp cecompat/FileReplace.cpp
  cecompat/SystemPowerState.cpp)
objects=()
for source in "${sources[@]}"; do
  object="$out/obj/$(basename "${source%.cpp}").o"
  objects+=("$object")
  stale=false
  for input in "$src/$source" "$src/ce-run/CeRun.h" "$src/ce-run/CrtShim.h" "$src/ce-run/ImportCalls.h" "$src/cecompat/DeviceRecords.h" \
      "$src/ce-run/build.sh"; do
    [ -f "$object" ] && [ ! "$input" -nt "$object" ] || stale=true
  done
  if $stale; then
    echo "$source"
    # The desktop stand-ins call the C library's wcstoul with 16-bit characters, and
    # Microsoft's name for snprintf.
    own=()
    case "$source" in cecompat/*) own=(-Dwcstoul=CeRunWcstoul -D_snprintf=snprintf) ;; esac
    # No more compilers at once than the machine has cores.
    while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n; done
    wineg++ "${flags[@]}" "${own[@]}" -c "$src/$source" -o "$object" &
  fi
done
# Every compile must have succeeded.
for pid in $(jobs -p); do wait "$pid"; done
for object in "${objects[@]}"; do [ -f "$object" ] || { echo "ce-run: $object was not built" >&2; exit 1; }; done
wineg++ -m64 -mconsole -o "$out/ce-run.exe" "${objects[@]}" -lunicorn \
  -luser32 -lgdi32 -ladvapi32 -lcomctl32 -lshell32 -lkernel32
