#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine, headless, each in a
# copy of the build's own prefix. Extra arguments go to ctest (for example -R test_profile).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$here/install-deps.sh"
"$here/build.sh"
. "$here/wine-env.sh"
# Every test copies this prefix into one of its own when it starts.
ferrolt_prepare_template
trap ferrolt_stop_test_prefixes EXIT
cd "$FERROLT_BUILD"
# As many tests side by side as the machine has cores; "-j 1" among the arguments runs
# them one at a time.
ctest --output-on-failure --timeout 900 -j "$(nproc)" "$@"
