#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine in the build's own
# prefix, headless. Extra arguments go to ctest (for example -R test_profile).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$here/install-deps.sh"
"$here/build.sh"
. "$here/wine-env.sh"
ferrolt_prepare_prefix null
ferrolt_start_wineserver
trap ferrolt_stop_wineserver EXIT
cd "$FERROLT_BUILD"
ctest --output-on-failure --timeout 900 "$@"
