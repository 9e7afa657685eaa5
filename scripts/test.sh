#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine, headless, each in a
# copy of its build's own prefix: on a 64-bit build (FERROLT_BUILD, default ./build) and on
# a 32-bit one, as the devices are (FERROLT_BUILD32, default ./build32). Fails if either
# fails. Extra arguments go to both ctest runs (for example -R test_profile, or -j 1 to run
# the tests one at a time).
#
# Both builds are what ships (Release). The 64-bit suite runs every test; the 32-bit one
# runs the product's tests (tests/CMakeLists.txt says which), and is built in the
# background, at the lowest priority, while the 64-bit tests run, so that the time those
# tests spend waiting on Wine goes into compiling. Where this machine cannot run 32-bit
# programs (or FERROLT_NO_32BIT=1 says to act as if), the 32-bit build compiles the product
# and its test sources and links no test program.
# Each phase's time is printed at the end.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
src="$(dirname "$here")"
build64="${FERROLT_BUILD:-$src/build}"
build32="${FERROLT_BUILD32:-$src/build32}"
export FERROLT_BUILD_TYPE="${FERROLT_BUILD_TYPE:-Release}"

phases=()
phase_started=$SECONDS
phase_done() {  # phase_done <name>: the time since the last phase ended
  phases+=("$(printf '%-34s %5d s' "$1" $((SECONDS - phase_started)))")
  phase_started=$SECONDS
}
report_phases() {
  echo "=== time"
  printf '  %s\n' "${phases[@]}"
  printf '  %-34s %5d s\n' "whole run" "$SECONDS"
}

"$here/install-deps.sh"
phase_done "install"

# In a subshell of its own for one build: the environment of that build's folder.
with_build() {  # with_build <32|64> <command>...
  local bits="$1" build toolchain
  shift
  if [ "$bits" = 64 ]; then
    build="$build64" toolchain="$src/cmake/mingw-w64.cmake"
  else
    build="$build32" toolchain="$src/cmake/mingw-w64-i686.cmake"
  fi
  (unset WINEPREFIX; export FERROLT_BUILD="$build" FERROLT_TOOLCHAIN="$toolchain"
   . "$here/wine-env.sh"
   "$@")
}
test_programs32=ON
with_build 32 ferrolt_can_run_32bit || test_programs32=OFF

run_suite() {
  # Every test copies this prefix into one of its own when it starts.
  ferrolt_prepare_template
  trap ferrolt_stop_test_prefixes EXIT
  cd "$FERROLT_BUILD"
  # As many tests side by side as the machine has cores, the longest first (their COST).
  ctest --output-on-failure --timeout 900 -j "$(nproc)" "$@"
}

failed=()
echo "=== 64-bit: $build64"
with_build 64 env FERROLT_TEST_PROGRAMS=ON "$here/build.sh" || failed+=("64-bit build")
phase_done "64-bit build"

echo "=== 32-bit: $build32, built in the background"
log32="$build32.log"
mkdir -p "$(dirname "$log32")"
with_build 32 nice -n 19 env FERROLT_TEST_PROGRAMS="$test_programs32" "$here/build.sh" \
  >"$log32" 2>&1 </dev/null &
build32_pid=$!

if [ "${#failed[@]}" -eq 0 ]; then
  echo "=== 64-bit tests"
  with_build 64 run_suite "$@" || failed+=("64-bit")
  phase_done "64-bit tests (32-bit build beside)"
fi

status32=0
wait "$build32_pid" || status32=$?
phase_done "rest of the 32-bit build"
if [ "$status32" -ne 0 ]; then
  tail -n 60 "$log32"
  failed+=("32-bit build")
elif [ "$test_programs32" = OFF ]; then
  echo "32-bit tests NOT RUN: 32-bit Wine does not run here (a kernel without ia32 emulation, no wine32:i386, or FERROLT_NO_32BIT=1); the 32-bit programs and the product's test sources were compiled, no test program linked"
else
  echo "=== 32-bit tests (the product's)"
  with_build 32 run_suite "$@" || failed+=("32-bit")
  phase_done "32-bit tests"
fi

# What the README tells administrators to type, as printed there, with this PATH's wine.
echo "=== README commands"
bash "$src/tests/check_readme_commands.sh" "$build64" "$src" || failed+=("README commands")
phase_done "README commands"
report_phases
if [ "${#failed[@]}" -gt 0 ]; then
  echo "Tests failed: ${failed[*]}" >&2
  exit 1
fi
