# Sourced by the scripts: the project's own Wine prefix and its settings.
# FERROLT_BUILD names the build folder (default: build beside the sources).
FERROLT_SRC="${FERROLT_SRC:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
FERROLT_BUILD="${FERROLT_BUILD:-$FERROLT_SRC/build}"
export WINEPREFIX="${WINEPREFIX:-$FERROLT_BUILD/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# Debian's "wine" starts the 32-bit loader whenever wine32 is installed, also where the
# kernel cannot run 32-bit programs (ia32 emulation off), and then nothing starts at all.
# There the 64-bit loader is put first on the PATH under the name "wine", and the tools
# the scripts use beside it go through it.
ferrolt_can_run_32bit() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}
if [ -x /usr/lib/wine/wine64 ] && ! ferrolt_can_run_32bit; then
  ferrolt_loader_dir="$FERROLT_BUILD/.wine-loader"
  if [ ! -x "$ferrolt_loader_dir/winepath" ]; then
    mkdir -p "$ferrolt_loader_dir"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$ferrolt_loader_dir/wine"
    for tool in wineboot winepath; do
      printf '#!/bin/sh\nexec /usr/lib/wine/wine64 %s.exe "$@"\n' "$tool" >"$ferrolt_loader_dir/$tool"
    done
    chmod +x "$ferrolt_loader_dir/wine" "$ferrolt_loader_dir/wineboot" "$ferrolt_loader_dir/winepath"
  fi
  case ":$PATH:" in *":$ferrolt_loader_dir:"*) ;; *) export PATH="$ferrolt_loader_dir:$PATH" ;; esac
  export WINELOADER="${WINELOADER:-/usr/lib/wine/wine64}"
fi

ferrolt_prefix_starts() {
  local probe="$FERROLT_BUILD/.wine-probe"
  timeout -k 5 120 env WINEDEBUG=err+all wine cmd /c exit >"$probe" 2>&1 </dev/null
  # The wineserver the probe started must be gone before the detached one starts.
  timeout -k 5 60 wineserver -w >/dev/null 2>&1 </dev/null
  ! grep -q 'could not load kernel32.dll' "$probe"
}

# Creates the prefix once, headless (null graphics driver) unless told to use a display,
# and makes sure the device folders exist.
ferrolt_prepare_prefix() {
  local graphics="${1:-null}"
  mkdir -p "$(dirname "$WINEPREFIX")"
  # A prefix made before 32-bit Wine was installed cannot start even 64-bit programs
  # afterwards ("could not load kernel32.dll"): it is made again.
  if [ -f "$WINEPREFIX/system.reg" ] && ! ferrolt_prefix_starts; then
    echo "The Wine prefix $WINEPREFIX cannot start programs; making it again" >&2
    timeout -k 5 60 wineserver -k >/dev/null 2>&1 </dev/null || true
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout -k 5 300 wine wineboot -i >/dev/null 2>&1 </dev/null || true
    timeout -k 5 60 wineserver -w >/dev/null 2>&1 </dev/null || true
  fi
  local current=""
  [ -f "$WINEPREFIX/.ferrolt-graphics" ] && current=$(cat "$WINEPREFIX/.ferrolt-graphics")
  if [ "$current" != "$graphics" ]; then
    timeout -k 5 60 wineserver -k >/dev/null 2>&1 </dev/null || true
    if [ "$graphics" = null ]; then
      timeout -k 5 120 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
    else
      timeout -k 5 120 wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 </dev/null || true
    fi
    timeout -k 5 60 wineserver -w >/dev/null 2>&1 </dev/null || true
    echo "$graphics" > "$WINEPREFIX/.ferrolt-graphics"
  fi
  # A device associates programs with ".exe"; Wine's fresh prefix has "exefile" only.
  if [ ! -f "$WINEPREFIX/.ferrolt-associations" ]; then
    timeout -k 5 120 wine reg add 'HKCR\.exe' /ve /d exefile /f >/dev/null 2>&1 </dev/null
    touch "$WINEPREFIX/.ferrolt-associations"
  fi
  mkdir -p "$WINEPREFIX/drive_c/Application" "$WINEPREFIX/drive_c/windows/Programs" \
           "$WINEPREFIX/drive_c/windows/Start Menu/Programs"
}

# Starts wineserver and its services detached, so nothing inherits the caller's pipes.
ferrolt_start_wineserver() {
  (setsid wineserver -p >/dev/null 2>&1 </dev/null &)
  timeout -k 5 120 wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

ferrolt_stop_wineserver() {
  timeout -k 5 60 wineserver -k >/dev/null 2>&1 </dev/null || true
}
