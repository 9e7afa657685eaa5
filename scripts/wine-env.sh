# Sourced by the scripts: the project's own Wine prefix and its settings.
# FERROLT_BUILD names the build folder (default: build beside the sources).
FERROLT_SRC="${FERROLT_SRC:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
FERROLT_BUILD="${FERROLT_BUILD:-$FERROLT_SRC/build}"
export WINEPREFIX="${WINEPREFIX:-$FERROLT_BUILD/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# Creates the prefix once, headless (null graphics driver) unless told to use a display,
# and makes sure the device folders exist.
ferrolt_prepare_prefix() {
  local graphics="${1:-null}"
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout -k 5 300 wineboot -i >/dev/null 2>&1 </dev/null || true
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
