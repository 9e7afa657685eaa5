#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the screenshots need.
# Does nothing when everything is already there.
set -euo pipefail
need=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || need+=(g++-mingw-w64-x86-64-posix mingw-w64-tools)
command -v wine >/dev/null 2>&1 || need+=(wine wine64)
command -v wineserver >/dev/null 2>&1 || [ -x /usr/lib/wine/wineserver ] || need+=(wine64)
command -v cmake >/dev/null 2>&1 || need+=(cmake)
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
i386=0
[ -x /usr/lib/wine/wine ] || { need+=(wine32:i386); i386=1; }
# The ARM image for devices: clang, lld and llvm-dlltool.
command -v clang >/dev/null 2>&1 || need+=(clang)
command -v lld-link >/dev/null 2>&1 || need+=(lld)
command -v llvm-dlltool >/dev/null 2>&1 || need+=(llvm)
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
