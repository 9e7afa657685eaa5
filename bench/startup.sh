#!/usr/bin/env bash
# Start-up until the list answers, private memory at rest, and the stripped size of
# Ferrolt.exe, each beside the plainest program that shows the same list (16 programs,
# Exit, three columns). Every Wine process runs pinned to one CPU. Called by bench/run.sh
# with the prefix's wineserver running; BENCH_RUNS runs per program (default 3, median).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/../scripts/wine-env.sh"
cpu="${BENCH_CPU:-$(( $(nproc) - 1 ))}"
runs="${BENCH_RUNS:-3}"
drive="$WINEPREFIX/drive_c"
pin=(taskset -c "$cpu")

# The launcher's configuration: the same list as the plain program shows.
script="$drive/bench-startup.reg"
profile='HKEY_CURRENT_USER\Software\OrvantLLC\Ferrolt\Profiles\BenchStart'
{
  printf 'REGEDIT4\r\n\r\n[%s\\Default\\Settings]\r\n' "$profile"
  printf '"Mode"="Details"\r\n"TitleBar"="Bench"\r\n"Exit"="Exit"\r\n'
  printf '"DetailColumns"=dword:00000003\r\n"Headings"=dword:00000001\r\n'
  for i in $(seq 1 16); do
    printf '\r\n[%s\\Default\\Programs\\Prog%d]\r\n' "$profile" "$i"
    printf '"Description"="Program %d"\r\n"Name"="\\\\Windows\\\\notepad.exe"\r\n' "$i"
    printf '"Command"="-file %d"\r\n' "$i"
  done
} > "$script"
(cd "$drive" && timeout -k 5 60 wine regedit /s 'C:\bench-startup.reg' </dev/null >/dev/null 2>&1)

# Starts a program pinned, waits until its list answers; prints "round-trips ms KiB".
measure_once() {
  local class="$1"; shift
  local ready="$drive/bench-ready"
  rm -f "$ready"
  (cd "$drive" && exec "${pin[@]}" timeout -k 5 60 wine "$FERROLT_BUILD/bench/wait_list.exe" \
     "$class" 'C:\bench-ready' </dev/null >/dev/null 2>&1) &
  local watcher=$!
  for _ in $(seq 1 600); do [ -e "$ready" ] && break; sleep 0.05; done
  local start end
  start=$(date +%s%N)
  (cd "$drive" && exec "${pin[@]}" wine "$@" </dev/null >/dev/null 2>&1) &
  local program=$!
  wait "$watcher" || { echo "no list answered for $class" >&2; kill "$program" 2>/dev/null; return 1; }
  end=$(date +%s%N)
  local trips memory
  trips=$(awk '/^syscw:/ {print $2}' "/proc/$program/io")
  sleep 2
  memory=$(awk '/^Private_(Clean|Dirty):/ {sum += $2} END {print sum}' "/proc/$program/smaps_rollup")
  (cd "$drive" && timeout -k 5 30 wine "$FERROLT_BUILD/bench/wait_list.exe" "$class" /close \
     </dev/null >/dev/null 2>&1) || kill "$program" 2>/dev/null || true
  wait "$program" 2>/dev/null || true
  echo "$trips $(( (end - start) / 1000000 )) $memory"
}

# Median of each column over the runs.
measure() {
  local runs_out=""
  for _ in $(seq 1 "$runs"); do
    runs_out+="$(measure_once "$@")"$'\n'
  done
  for column in 1 2 3; do
    printf '%s' "$runs_out" | awk 'NF' | cut -d' ' -f"$column" | sort -n | \
      awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'
  done | paste -sd' '
}

read -r plain_trips plain_ms plain_kib < <(measure PlainListClass "$FERROLT_BUILD/bench/plain_list_window.exe")
read -r own_trips own_ms own_kib < <(measure FerroltClass "$FERROLT_BUILD/Ferrolt.exe" BenchStart)
(cd "$drive" && timeout -k 5 60 wine reg delete 'HKCU\Software\OrvantLLC\Ferrolt\Profiles\BenchStart' /f \
   </dev/null >/dev/null 2>&1) || true

strip_tool=x86_64-w64-mingw32-strip
stripped="$(mktemp)"
"$strip_tool" -o "$stripped" "$FERROLT_BUILD/Ferrolt.exe"
stripped_size=$(stat -c %s "$stripped")
rm -f "$stripped"

printf 'Start-up until the list answers, median of %d runs, pinned to CPU %s\n' "$runs" "$cpu"
printf '  %-34s %12s %10s %12s\n' "" "round trips" "ms" "private KiB"
printf '  %-34s %12s %10s %12s\n' "Ferrolt.exe" "$own_trips" "$own_ms" "$own_kib"
printf '  %-34s %12s %10s %12s\n' "plain list window (floor)" "$plain_trips" "$plain_ms" "$plain_kib"
printf '  %-34s %12s %10s %12s\n' "above the floor" "$(( own_trips - plain_trips ))" \
  "$(( own_ms - plain_ms ))" "$(( own_kib - plain_kib ))"
printf '  %-34s %12s bytes (as built: %s)\n' "Ferrolt.exe stripped" "$stripped_size" \
  "$(stat -c %s "$FERROLT_BUILD/Ferrolt.exe")"
