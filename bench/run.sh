#!/usr/bin/env bash
# Builds the benchmarks against a Release build (what ships) and runs them under Wine in
# that build's prefix, each Wine process pinned to one CPU, printing figures beside their
# floors. Usage: bench/run.sh [rounds]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export FERROLT_BUILD="${FERROLT_RELEASE_BUILD:-$(dirname "$here")/build-release}"
export FERROLT_BUILD_TYPE=Release
"$here/../scripts/install-deps.sh"
"$here/../scripts/build.sh" --target bench
. "$here/../scripts/wine-env.sh"
export BENCH_CPU="${BENCH_CPU:-$(( $(nproc) - 1 ))}"
ferrolt_prepare_prefix null
# The server runs on the same CPU as the programs, so that the times are steadier.
(setsid taskset -c "$BENCH_CPU" wineserver -p >/dev/null 2>&1 </dev/null &)
timeout -k 5 120 wine cmd /c exit >/dev/null 2>&1 </dev/null || true
trap ferrolt_stop_wineserver EXIT
for program in "$FERROLT_BUILD"/bench/bench_*.exe; do
  [ -f "$program" ] || continue
  # Wine runs the program in this very process: its /proc entry counts the round trips.
  (cd "$WINEPREFIX/drive_c" && timeout -k 5 600 bash -c \
     'export FERROLT_BENCH_PID=$$; exec taskset -c "$0" wine "$@"' "$BENCH_CPU" "$program" "$@")
done
"$here/startup.sh"
"$here/image_sizes.sh"
