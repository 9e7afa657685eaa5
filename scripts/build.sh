#!/usr/bin/env bash
# Configures and builds everything into the build folder (FERROLT_BUILD, default ./build).
# FERROLT_BUILD_TYPE chooses the build type (default RelWithDebInfo, for debugging; Release
# is what ships, optimised and stripped, and what scripts/test.sh builds and tests).
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
. "$FERROLT_SRC/scripts/compiler-cache.sh"
options=()
[ -n "${FERROLT_BUILD_TYPE:-}" ] && options+=(-DCMAKE_BUILD_TYPE="$FERROLT_BUILD_TYPE")
# FERROLT_TEST_PROGRAMS=OFF compiles the tests' sources without linking the test programs
# (for a build whose tests cannot run here); ON links them again. Unset: as configured.
[ -n "${FERROLT_TEST_PROGRAMS:-}" ] && options+=(-DFERROLT_TEST_PROGRAMS="$FERROLT_TEST_PROGRAMS")
# FERROLT_TOOLCHAIN names another toolchain file (cmake/mingw-w64-i686.cmake: 32-bit).
toolchain="${FERROLT_TOOLCHAIN:-$FERROLT_SRC/cmake/mingw-w64.cmake}"
cmake -S "$FERROLT_SRC" -B "$FERROLT_BUILD" -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${compiler_cache_cmake[@]}" "${options[@]}" >/dev/null
cmake --build "$FERROLT_BUILD" -j "$(nproc)" "$@"
