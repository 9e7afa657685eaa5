#!/usr/bin/env bash
# Times importing a registry script of 10,000 values with Pollex.exe /q against Wine's own
# regedit /s on the same file, in the build's Wine prefix, and prints the figures.
# FERROLT_BUILD names the build folder (default ./build); BENCH_RUNS the runs per tool (3).
# BENCH_NO_BUILD=1 reuses an existing Pollex.exe without building.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/../scripts" && pwd)"
. "$here/wine-env.sh"
runs="${BENCH_RUNS:-3}"
sections=100
values_per_section=100

if [ "${BENCH_NO_BUILD:-0}" != 1 ] || [ ! -f "$FERROLT_BUILD/Pollex.exe" ]; then
  "$here/install-deps.sh"
  "$here/build.sh" --target Pollex >/dev/null
fi
ferrolt_prepare_prefix null
ferrolt_start_wineserver
trap ferrolt_stop_wineserver EXIT

drive_c="$WINEPREFIX/drive_c"
script="$drive_c/bench-import.reg"
key='HKCU\Software\FerroltBench'

# 100 sections of 100 values each: strings with escapes, numbers and short byte lists.
awk -v sections="$sections" -v per="$values_per_section" 'BEGIN {
  printf "REGEDIT4\r\n\r\n"
  for (s = 0; s < sections; s++) {
    printf "[HKEY_CURRENT_USER\\Software\\FerroltBench\\S%03d]\r\n", s
    for (v = 0; v < per; v++) {
      kind = v % 3
      if (kind == 0)
        printf "\"V%03d\"=\"\\\\Windows\\\\Programs\\\\tool%d.exe -a %d\"\r\n", v, s, v
      else if (kind == 1)
        printf "\"V%03d\"=dword:%08x\r\n", v, s * 1000 + v
      else
        printf "\"V%03d\"=hex:%02x,%02x,00,ff,10,20\r\n", v, s % 256, v % 256
    }
  }
}' > "$script"
count=$(grep -c '^"V' "$script")

wine_quiet() { timeout -k 5 300 wine "$@" >/dev/null 2>&1 </dev/null; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
clear_key() { wine_quiet reg delete "$key" /f || true; }

# Prints the elapsed milliseconds of one import; fails when the import failed.
time_import() {
  local start end
  start=$(now_ms)
  (cd "$drive_c" && wine_quiet "$@")
  end=$(now_ms)
  echo $(( end - start ))
}

check_imported() {
  local tool="$1"
  if ! (cd "$drive_c" && timeout -k 5 120 wine reg query "$key\\S099" /v V098 2>/dev/null </dev/null) | grep -q REG_BINARY; then
    echo "$tool did not import the script" >&2
    exit 1
  fi
}

best() { printf '%s\n' "$@" | sort -n | head -1; }

start_cost=()
for _ in $(seq "$runs"); do
  start_cost+=("$(time_import cmd /c exit)")
done

pollex=() regedit=() pollex_again=() regedit_again=()
for _ in $(seq "$runs"); do
  clear_key
  pollex+=("$(time_import "$FERROLT_BUILD/Pollex.exe" /q 'C:\bench-import.reg')")
  check_imported Pollex
  pollex_again+=("$(time_import "$FERROLT_BUILD/Pollex.exe" /q 'C:\bench-import.reg')")
  clear_key
  regedit+=("$(time_import regedit /s 'C:\bench-import.reg')")
  check_imported regedit
  regedit_again+=("$(time_import regedit /s 'C:\bench-import.reg')")
done
clear_key
rm -f "$script"

p=$(best "${pollex[@]}") r=$(best "${regedit[@]}")
pa=$(best "${pollex_again[@]}") ra=$(best "${regedit_again[@]}")
s=$(best "${start_cost[@]}")
echo "Registry import of $count values in $sections sections ($runs runs each, best run shown)"
printf '  %-38s %6s ms\n' "Wine process start (cmd /c exit)" "$s"
printf '  %-38s %6s ms   (runs: %s)\n' "Pollex.exe /q, into an empty key" "$p" "${pollex[*]}"
printf '  %-38s %6s ms   (runs: %s)\n' "regedit /s, into an empty key" "$r" "${regedit[*]}"
printf '  %-38s %6s ms   (runs: %s)\n' "Pollex.exe /q, same values again" "$pa" "${pollex_again[*]}"
printf '  %-38s %6s ms   (runs: %s)\n' "regedit /s, same values again" "$ra" "${regedit_again[*]}"
awk -v p="$p" -v r="$r" -v pa="$pa" -v ra="$ra" 'BEGIN {
  printf "  Ratio Pollex/regedit: %.2f (empty key), %.2f (same values again)\n", p / r, pa / ra
}'
