#!/usr/bin/env bash
# Makes the installable cabinets into $FERROLT_CABINETS (default: <build folder>/cabinets),
# one per target line of packaging/Ferrolt.package, each from its own build:
#   Ferrolt.Desktop.cab  the desktop build (FERROLT_BUILD, default build-release), always;
#                        for the stand-in installer, not for a device;
#   Ferrolt.ARMV7.cab    the ARMv7 device build (FERROLT_DEVICE_BUILD, default build-device),
#                        for Windows Embedded Compact 2013;
#   Ferrolt.ARMV4I.cab   the ARMV4I device build (FERROLT_ARMV4I_BUILD, default the device
#                        build's armv4i folder), for Windows CE 5.0 to Compact 7 and
#                        Windows Mobile;
# a device cabinet is made when its folder holds Ferrolt.exe and Ostrel.dll. Each holds
# Ferrolt.000 (the install header, naming the processor and the Windows CE versions of its
# target line), the installed files as Ferrolt.001, .002, ... in the description's order,
# and Ostrel as Ferrolt.999.
# Then the release an administrator takes, in $FERROLT_RELEASE (default: <cabinets>/release):
# the device cabinets, FerroltCheck.exe and SHA256SUMS over them (when the build holds
# FerroltCheck.exe, as it does unless --no-build packages a build made without it).
# The same sources give the same bytes: fixed dates, fixed order, no time in any image.
# --no-build packages what the build folders already hold.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source_dir="$(dirname "$here")"
build=yes
[ "${1:-}" = "--no-build" ] && build=no
if [ -z "${FERROLT_BUILD:-}" ]; then
  export FERROLT_BUILD="$source_dir/build-release" FERROLT_BUILD_TYPE=Release
fi
out="${FERROLT_CABINETS:-$FERROLT_BUILD/cabinets}"
description="$source_dir/packaging/Ferrolt.package"
# Every file of every cabinet carries this date (the cabinet format keeps local times), and
# the files go in in the same order whatever the machine's language.
export TZ=UTC LC_ALL=C
stamp="2026-01-01 00:00:00"

# The folder each cabinet's programs come from.
binaries_of() {
  case "$1" in
    Desktop) echo "$FERROLT_BUILD" ;;
    ARMV7) echo "${FERROLT_DEVICE_BUILD:-$source_dir/build-device}" ;;
    ARMV4I) echo "${FERROLT_ARMV4I_BUILD:-${FERROLT_DEVICE_BUILD:-$source_dir/build-device}/armv4i}" ;;
    *) local variable="FERROLT_$1_BUILD"; echo "${!variable:-$source_dir/build-$(echo "$1" | tr 'A-Z' 'a-z')}" ;;
  esac
}

# Nothing from an earlier run stays beside what this run makes.
mkdir -p "$out"
out="$(cd "$out" && pwd)"
release="${FERROLT_RELEASE:-$out/release}"
rm -f "$out"/Ferrolt.*.cab
rm -rf "$release"

if [ "$build" = yes ]; then
  "$here/install-deps.sh"
  "$here/build.sh" --target Ferrolt --target Ostrel --target MakeSetupHeader --target FerroltCheck
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

# The installed names, in the order the header numbers them, and the cabinets' names.
mapfile -t names < <(awk '$1 == "file" { $1 = $2 = $3 = ""; sub(/^ +/, ""); print }' "$description")
mapfile -t targets < <(awk '$1 == "target" { print $2, $3 }' "$description")

# The processor a Windows program is built for, as the install header numbers processors.
image_processor() {
  local pe machine
  pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ')
  case "$machine" in
    8664) echo 8664 ;;
    014c) echo 386 ;;
    *) echo "package: $1 is built for machine 0x$machine, which no cabinet takes" >&2; return 1 ;;
  esac
}

# make_cabinet <cabinet name> <folder with Ferrolt.exe and Ostrel.dll> <processor word>
make_cabinet() {
  local name="$1" binaries="$2" processor="$3" cabinet="$out/Ferrolt.$1.cab" stage i source number
  local options=(/cabinet "$name")
  [ "$processor" = image ] && options+=(/processor "$(image_processor "$binaries/Ferrolt.exe")")
  stage="$(mktemp -d)"
  for i in "${!names[@]}"; do
    number=$(printf '%03d' $((i + 1)))
    source="$source_dir/setup/package/${names[$i]}"
    [ "${names[$i]}" = Ferrolt.exe ] && source="$binaries/Ferrolt.exe"
    cp "$source" "$stage/Ferrolt.$number"
  done
  cp "$binaries/Ostrel.dll" "$stage/Ferrolt.999"
  if ! "$here/wine-run.sh" "$FERROLT_BUILD/MakeSetupHeader.exe" "Z:$description" "Z:$stage/Ferrolt.000" \
       "${options[@]}" </dev/null; then
    rm -rf "$stage"
    echo "package: the install header of $(basename "$cabinet") could not be made" >&2
    return 1
  fi
  touch -d "$stamp" "$stage"/Ferrolt.*
  # The header first, then the other files from the highest number down, as the
  # device's installer expects them.
  (cd "$stage" && gcab -c -n -z "$cabinet" Ferrolt.000 $(ls Ferrolt.* | grep -v '^Ferrolt\.000$' | sort -r))
  rm -rf "$stage"
  echo "package: $cabinet"
}

device_cabinets=()
for target in "${targets[@]}"; do
  set -- $target
  binaries="$(binaries_of "$1")"
  if [ "$1" = Desktop ] || { [ -f "$binaries/Ferrolt.exe" ] && [ -f "$binaries/Ostrel.dll" ]; }; then
    make_cabinet "$1" "$binaries" "$2"
    [ "$1" = Desktop ] || device_cabinets+=("Ferrolt.$1.cab")
  else
    echo "package: no build in $binaries, so no Ferrolt.$1.cab"
  fi
done

# The release: what an administrator takes to the devices, and the checker for the desktop.
if [ ! -f "$FERROLT_BUILD/FerroltCheck.exe" ]; then
  echo "package: no FerroltCheck.exe in $FERROLT_BUILD, so no release"
  exit 0
fi
mkdir -p "$release"
for cabinet in "${device_cabinets[@]}"; do cp "$out/$cabinet" "$release/"; done
cp "$FERROLT_BUILD/FerroltCheck.exe" "$release/"
touch -d "$stamp" "$release"/*
(cd "$release" && sha256sum $(ls | sort) > SHA256SUMS)
echo "package: release in $release"
