#!/usr/bin/env bash
# Builds the benchmarks and runs each under Wine in the build's prefix, printing figures.
# Usage: FERROLT_BUILD=... bench/run.sh [shows]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$here/../scripts/install-deps.sh"
"$here/../scripts/build.sh" --target bench
. "$here/../scripts/wine-env.sh"
ferrolt_prepare_prefix null
ferrolt_start_wineserver
trap ferrolt_stop_wineserver EXIT
for program in "$FERROLT_BUILD"/bench/bench_*.exe; do
  [ -f "$program" ] || continue
  "$here/../scripts/wine-run.sh" "$program" "$@"
done
