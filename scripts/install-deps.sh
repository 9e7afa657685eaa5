#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the screenshots need.
# Does nothing when everything is already there.
set -euo pipefail
need=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || need+=(g++-mingw-w64-x86-64-posix mingw-w64-tools)
command -v wine >/dev/null 2>&1 || need+=(wine wine64)
command -v wineserver >/dev/null 2>&1 || [ -x /usr/lib/wine/wineserver ] || need+=(wine64)
command -v cmake >/dev/null 2>&1 || need+=(cmake)
# A compiler cache: a second build of the same sources (the reproducibility check's) takes
# the objects of the first.
command -v ccache >/dev/null 2>&1 || need+=(ccache)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
# The report pages of the preview are tested in a headless browser.
command -v chromium >/dev/null 2>&1 || need+=(chromium)
command -v python3 >/dev/null 2>&1 || need+=(python3)
# The installable cabinets are made with gcab and their contents listed with cabextract.
command -v gcab >/dev/null 2>&1 || need+=(gcab)
command -v cabextract >/dev/null 2>&1 || need+=(cabextract)
# The 32-bit build and its tests: the i686 compilers and 32-bit Wine from Debian's i386
# architecture.
command -v i686-w64-mingw32-g++-posix >/dev/null 2>&1 || need+=(g++-mingw-w64-i686-posix)
# 32-bit Wine is installed only where this kernel runs 32-bit x86 programs: once wine32 is
# there, Debian's "wine" always starts the 32-bit loader, and on a kernel without ia32
# emulation every plain "wine" command would then fail. A 96-byte 32-bit program that
# exits with 42 tells which kernel this is, before anything is installed.
ferrolt_kernel_runs_32bit() {
  local probe rc
  probe=$(mktemp "${TMPDIR:-/tmp}/ferrolt-ia32.XXXXXX") || return 1
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\273\052\000\000\000\315\200' >"$probe"
  chmod +x "$probe"
  "$probe" >/dev/null 2>&1
  rc=$?
  rm -f "$probe"
  [ "$rc" = 42 ]
}
i386=0
if [ ! -x /usr/lib/wine/wine ] && [ "${FERROLT_NO_32BIT:-0}" != 1 ]; then
  if ferrolt_kernel_runs_32bit; then
    need+=(wine32:i386)
    i386=1
  else
    echo "This kernel cannot run 32-bit programs (ia32 emulation is off): 32-bit Wine is not installed and the 32-bit tests will not run here; the 32-bit build is still compiled."
  fi
elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  # Installed by an earlier run: the scripts go on with the 64-bit loader (wine-env.sh).
  echo "32-bit Wine (wine32:i386) is installed but this kernel cannot run 32-bit programs, so plain \"wine\" does not start; the scripts use the 64-bit loader. \"apt-get remove wine32:i386\" gives the machine its wine back."
fi
# The ARM image for devices: clang, lld and llvm-dlltool.
command -v clang >/dev/null 2>&1 || need+=(clang)
command -v lld-link >/dev/null 2>&1 || need+=(lld)
command -v llvm-dlltool >/dev/null 2>&1 || need+=(llvm)
# The ARMV4I images for CE 5.0 to 7.0 and Windows Mobile: ARM-mode objects and libgcc from
# the bare-metal ARM compiler, linked by its linker; their reader in the tests is pefile.
command -v arm-none-eabi-g++ >/dev/null 2>&1 || need+=(gcc-arm-none-eabi)
command -v arm-none-eabi-ld >/dev/null 2>&1 || need+=(binutils-arm-none-eabi)
/usr/bin/python3 -c "import pefile" >/dev/null 2>&1 || need+=(python3-pefile)
# ce-run, which runs the ARM images in CI: a Winelib program (winegcc) with the Unicorn
# CPU emulator.
command -v winegcc >/dev/null 2>&1 || need+=(wine64-tools)
[ -f /usr/include/unicorn/unicorn.h ] || need+=(libunicorn-dev)
if [ "${1:-}" = "--display" ]; then
  command -v Xvfb >/dev/null 2>&1 || need+=(xvfb)
  command -v xwd >/dev/null 2>&1 || need+=(x11-apps)
  command -v xdotool >/dev/null 2>&1 || need+=(xdotool)
  { command -v convert >/dev/null 2>&1 && convert -version 2>/dev/null | grep -q ImageMagick; } || need+=(imagemagick)
fi
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  if [ "$i386" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}" >/dev/null
fi
