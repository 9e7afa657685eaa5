#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine, headless, each in a
# copy of its build's own prefix: on a 64-bit build (FERROLT_BUILD, default ./build) and on
# a 32-bit one, as the devices are (FERROLT_BUILD32, default ./build32). Fails if either
# fails. Extra arguments go to ctest (for example -R test_profile, or -j 1 to run the
# tests one at a time).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
src="$(dirname "$here")"
"$here/install-deps.sh"

# Builds one folder with one toolchain and runs the suite there.
run_suite() {
  local bits="$1"
  shift
  . "$here/wine-env.sh"
  if [ "$bits" = 32 ] && ! ferrolt_can_run_32bit; then
    # Nothing could run the 32-bit test programs: the product, the checker and every test
    # source are compiled, the test programs are not linked.
    FERROLT_TEST_PROGRAMS=OFF "$here/build.sh" || return 1
    echo "32-bit tests NOT RUN: 32-bit Wine does not run here (a kernel without ia32 emulation, or no wine32:i386); the 32-bit programs and every test source were compiled, no test program linked"
    return 0
  fi
  FERROLT_TEST_PROGRAMS=ON "$here/build.sh" || return 1
  # Every test copies this prefix into one of its own when it starts.
  ferrolt_prepare_template
  trap ferrolt_stop_test_prefixes EXIT
  cd "$FERROLT_BUILD"
  # As many tests side by side as the machine has cores.
  ctest --output-on-failure --timeout 900 -j "$(nproc)" "$@"
}

failed=()
for bits in 64 32; do
  if [ "$bits" = 64 ]; then
    build="${FERROLT_BUILD:-$src/build}" toolchain="$src/cmake/mingw-w64.cmake"
  else
    build="${FERROLT_BUILD32:-$src/build32}" toolchain="$src/cmake/mingw-w64-i686.cmake"
  fi
  echo "=== $bits-bit: $build"
  (unset WINEPREFIX; export FERROLT_BUILD="$build" FERROLT_TOOLCHAIN="$toolchain"
   run_suite "$bits" "$@") || failed+=("$bits-bit")
done
# What the README tells administrators to type, as printed there, with this PATH's wine.
echo "=== README commands"
bash "$src/tests/check_readme_commands.sh" "${FERROLT_BUILD:-$src/build}" "$src" || failed+=("README commands")
if [ "${#failed[@]}" -gt 0 ]; then
  echo "Tests failed: ${failed[*]}" >&2
  exit 1
fi
