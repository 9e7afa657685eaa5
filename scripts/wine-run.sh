#!/usr/bin/env bash
# Runs one Windows program under Wine in the project's prefix, with the device root "\"
# being the prefix's C: drive. Used by ctest as the cross-compiling emulator.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
cd "$WINEPREFIX/drive_c" || exit 97
exec timeout -k 5 "${FERROLT_RUN_TIMEOUT:-300}" wine "$@"
