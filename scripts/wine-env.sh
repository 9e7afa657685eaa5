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
# There the 64-bit loader is put first on the PATH under the name "wine", and winepath,
# the one tool the scripts run beside it, goes through it.
# FERROLT_NO_32BIT=1 acts as a machine that cannot run them (to time that case).
ferrolt_can_run_32bit() {
  [ "${FERROLT_NO_32BIT:-0}" != 1 ] && [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}
if [ -x /usr/lib/wine/wine64 ] && ! ferrolt_can_run_32bit; then
  ferrolt_loader_dir="$FERROLT_BUILD/.wine-loader"
  if [ ! -x "$ferrolt_loader_dir/winepath" ]; then
    mkdir -p "$ferrolt_loader_dir"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$ferrolt_loader_dir/wine"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 winepath.exe "$@"\n' >"$ferrolt_loader_dir/winepath"
    chmod +x "$ferrolt_loader_dir/wine" "$ferrolt_loader_dir/winepath"
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

# Under ctest every test has a prefix of its own: WINEPREFIX names it and
# FERROLT_PREFIX_TEMPLATE the build's prefix it is copied from (tests/CMakeLists.txt sets
# both), so that no test sees the registry, files, windows or wineserver of another that
# runs beside it or ran before it. The Windows system's own DLLs are shared as hard links
# (nothing writes there); the rest is a fresh copy for every run of the test.
ferrolt_copy_prefix() {
  local template="$1" target="$2" shared="drive_c/windows/system32 drive_c/windows/syswow64 drive_c/windows/winsxs"
  if [ -d "$target" ]; then
    # A server left by an interrupted run would go on with the removed folder.
    WINEPREFIX="$target" timeout -k 5 60 wineserver -k >/dev/null 2>&1 </dev/null || true
    rm -rf "$target"
  fi
  mkdir -p "$target"
  local excludes=() folder
  for folder in $shared; do excludes+=("--exclude=./$folder"); done
  tar -C "$template" "${excludes[@]}" -cf - . | tar -C "$target" -xf - || return 1
  for folder in $shared; do
    [ -d "$template/$folder" ] && { cp -al "$template/$folder" "$target/$folder" || return 1; }
  done
  return 0
}

# Prepares the build's prefix that the tests' prefixes are copied from (the one WINEPREFIX
# names here) and stops its server, which writes its registry out before anything copies
# it. Tests started side by side wait for the one that does it.
ferrolt_prepare_template() {
  (
    flock 9
    [ "${1:-}" = if-missing ] && [ -f "$WINEPREFIX/.ferrolt-template" ] && exit 0
    ferrolt_prepare_prefix null
    ferrolt_stop_wineserver
    touch "$WINEPREFIX/.ferrolt-template"
  ) 9>"$WINEPREFIX.lock"
}

# Makes the test's prefix, once per test: the first script of the test that sources this
# file copies it and starts its wineserver detached; the server stops when that script
# ends. Scripts and programs it starts find the prefix ready (FERROLT_PREFIX_READY).
ferrolt_begin_test_prefix() {
  local template="$FERROLT_PREFIX_TEMPLATE"
  # scripts/test.sh prepares the template before ctest; a test run by ctest directly
  # prepares it when it is not there yet.
  [ -f "$template/.ferrolt-template" ] || WINEPREFIX="$template" ferrolt_prepare_template if-missing
  ferrolt_copy_prefix "$template" "$WINEPREFIX" || { echo "cannot copy $template to $WINEPREFIX" >&2; return 1; }
  export FERROLT_PREFIX_READY="$WINEPREFIX"
  ferrolt_start_wineserver
  trap ferrolt_stop_wineserver EXIT
}

# Stops the servers that tests interrupted by ctest (a time-out) could not stop.
ferrolt_stop_test_prefixes() {
  local prefix
  for prefix in "$FERROLT_BUILD"/test-prefixes/*/; do
    [ -f "$prefix/system.reg" ] && WINEPREFIX="${prefix%/}" ferrolt_stop_wineserver
  done
  return 0
}

if [ -n "${FERROLT_PREFIX_TEMPLATE:-}" ] && [ "${FERROLT_PREFIX_READY:-}" != "$WINEPREFIX" ]; then
  ferrolt_begin_test_prefix || exit 97
fi
