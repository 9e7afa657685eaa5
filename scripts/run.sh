#!/usr/bin/env bash
# Builds the launcher, loads the shipped sample configuration into a Wine prefix of its
# own and starts the launcher on it, as a device would after installation.
# With $DISPLAY set the launcher opens there. Without, it runs on a virtual 480x640
# screen, a screenshot is saved after start-up, and the launcher is closed again.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# What ships is a Release build (optimised, stripped), in a build folder of its own.
export FERROLT_BUILD="${FERROLT_RELEASE_BUILD:-$(dirname "$here")/build-release}"
export FERROLT_BUILD_TYPE=Release
"$here/install-deps.sh" --display
"$here/build.sh" --target Ferrolt --target Ostrel --target CabDriver --target Pollex \
  --target aygshell --target post_close --target MakeSetupHeader
. "$here/wine-env.sh"
export WINEPREFIX="$FERROLT_BUILD/run-prefix"
out="${FERROLT_SCREENSHOT:-$FERROLT_BUILD/screenshot.png}"
platform="${FERROLT_PLATFORM_TYPE:-}"

own_display=""
if [ -z "${DISPLAY:-}" ]; then
  for n in 91 92 93 94 95 96 97 98 99; do
    [ -e "/tmp/.X11-unix/X$n" ] || { own_display=":$n"; break; }
  done
  Xvfb "$own_display" -screen 0 480x640x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY="$own_display"
  sleep 1
fi
cleanup() {
  ferrolt_stop_wineserver
  [ -n "$own_display" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

ferrolt_prepare_prefix x11
ferrolt_start_wineserver
drive="$WINEPREFIX/drive_c"
# Wine draws the window captions itself, as the device does, with or without a window
# manager on the display.
timeout -k 5 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f \
  </dev/null >/dev/null 2>&1 || true

# Install the launcher from its desktop cabinet the way a device installs a CAB: the
# installer driver places the files its header names and plays the setup extension's hooks,
# which merge the sample configuration with the registry-merge tool. Each run starts from
# a fresh installation.
FERROLT_PREFIX_READY="$WINEPREFIX" "$here/package.sh" --no-build
cp "$FERROLT_BUILD/Pollex.exe" "$drive/windows/Pollex.exe"
if [ -n "$platform" ] && [ "${platform,,}" = pocketpc ] && [ -f "$FERROLT_BUILD/standins/aygshell.dll" ]; then
  cp "$FERROLT_BUILD/standins/aygshell.dll" "$drive/windows/aygshell.dll"
fi
(cd "$drive" && timeout -k 5 120 wine "$FERROLT_BUILD/CabDriver.exe" /uninstall </dev/null >/dev/null 2>&1) || true
(cd "$drive" && timeout -k 5 120 wine "$FERROLT_BUILD/CabDriver.exe" /install "Z:$FERROLT_BUILD/cabinets/Ferrolt.Desktop.cab" </dev/null) || {
  echo "the installation failed" >&2; exit 1; }
for _ in $(seq 1 40); do
  (cd "$drive" && timeout -k 5 30 wine reg query 'HKCU\Software\OrvantLLC\Ferrolt\Profiles\Warehouse' </dev/null >/dev/null 2>&1) && break
  sleep 0.5
done

cd "$drive"
if [ -z "$own_display" ]; then
  echo "Starting the launcher on $DISPLAY (close it with Ctrl+Q)"
  exec wine 'C:\Application\Ferrolt\Ferrolt.exe'
fi

timeout -k 5 120 wine 'C:\Application\Ferrolt\Ferrolt.exe' </dev/null >/dev/null 2>&1 &
launcher=$!
sleep "${FERROLT_SETTLE_SECONDS:-6}"
xwd -root -display "$DISPLAY" | convert xwd:- "$out"
timeout -k 5 30 wine "$FERROLT_BUILD/tests/post_close.exe" </dev/null >/dev/null 2>&1 || true
wait "$launcher" || true
echo "Screenshot of the launcher after start-up: $out"
