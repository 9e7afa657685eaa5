#!/usr/bin/env bash
# Makes the installable cabinets, one per processor, into $FERROLT_CABINETS (default:
# <build folder>/cabinets):
#   Ferrolt.Desktop.cab  from the desktop build (FERROLT_BUILD, default build-release), always;
#   Ferrolt.ARMV7.cab    from the device build, when FERROLT_DEVICE_BUILD (default
#                        build-device) holds Ferrolt.exe and Ostrel.dll.
# Each holds Ferrolt.000 (the install header, from packaging/Ferrolt.package), the installed
# files as Ferrolt.001, .002, ... in the description's order, and Ostrel as Ferrolt.999.
# The same sources give the same bytes: fixed dates, fixed order.
# --no-build packages what the build folder already holds.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source_dir="$(dirname "$here")"
build=yes
[ "${1:-}" = "--no-build" ] && build=no
if [ -z "${FERROLT_BUILD:-}" ]; then
  export FERROLT_BUILD="$source_dir/build-release" FERROLT_BUILD_TYPE=Release
fi
device="${FERROLT_DEVICE_BUILD:-$source_dir/build-device}"
out="${FERROLT_CABINETS:-$FERROLT_BUILD/cabinets}"
description="$source_dir/packaging/Ferrolt.package"
# Every file of every cabinet carries this date (the cabinet format keeps local times), and
# the files go in in the same order whatever the machine's language.
export TZ=UTC LC_ALL=C
stamp="2026-01-01 00:00:00"

if [ "$build" = yes ]; then
  "$here/install-deps.sh"
  "$here/build.sh" --target Ferrolt --target Ostrel --target MakeSetupHeader
fi
command -v gcab >/dev/null 2>&1 || { echo "package: gcab is missing (scripts/install-deps.sh)" >&2; exit 1; }
. "$here/wine-env.sh"
# The header writer runs under Wine: in the build's prefix, made here when it is missing
# (one that exists keeps its graphics driver), with a server of its own. A caller that
# holds the prefix and its server (a test, scripts/run.sh) says so in FERROLT_PREFIX_READY.
if [ -z "${FERROLT_PREFIX_READY:-}" ]; then
  [ -f "$WINEPREFIX/system.reg" ] || ferrolt_prepare_prefix null
  ferrolt_start_wineserver
  trap ferrolt_stop_wineserver EXIT
fi

# The installed names, in the order the header numbers them.
mapfile -t names < <(awk '$1 == "file" { $1 = $2 = $3 = ""; sub(/^ +/, ""); print }' "$description")
mkdir -p "$out"
out="$(cd "$out" && pwd)"

# make_cabinet <cabinet> <folder with Ferrolt.exe and Ostrel.dll> <processor>
make_cabinet() {
  local cabinet="$1" binaries="$2" processor="$3" stage i source number
  stage="$(mktemp -d)"
  for i in "${!names[@]}"; do
    number=$(printf '%03d' $((i + 1)))
    source="$source_dir/setup/package/${names[$i]}"
    [ "${names[$i]}" = Ferrolt.exe ] && source="$binaries/Ferrolt.exe"
    cp "$source" "$stage/Ferrolt.$number"
  done
  cp "$binaries/Ostrel.dll" "$stage/Ferrolt.999"
  if ! "$here/wine-run.sh" "$FERROLT_BUILD/MakeSetupHeader.exe" "Z:$description" "Z:$stage/Ferrolt.000" \
       /processor "$processor" </dev/null; then
    rm -rf "$stage"
    echo "package: the install header of $(basename "$cabinet") could not be made" >&2
    return 1
  fi
  touch -d "$stamp" "$stage"/Ferrolt.*
  rm -f "$cabinet"
  (cd "$stage" && gcab -c -n -z "$cabinet" $(ls Ferrolt.* | sort))
  rm -rf "$stage"
  echo "package: $cabinet"
}

make_cabinet "$out/Ferrolt.Desktop.cab" "$FERROLT_BUILD" any
if [ -f "$device/Ferrolt.exe" ] && [ -f "$device/Ostrel.dll" ]; then
  make_cabinet "$out/Ferrolt.ARMV7.cab" "$device" arm
else
  echo "package: no device build in $device, so no Ferrolt.ARMV7.cab"
fi
