#!/usr/bin/env bash
# Configures and builds everything into the build folder (FERROLT_BUILD, default ./build).
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
cmake -S "$FERROLT_SRC" -B "$FERROLT_BUILD" -DCMAKE_TOOLCHAIN_FILE="$FERROLT_SRC/cmake/mingw-w64.cmake" >/dev/null
cmake --build "$FERROLT_BUILD" -j "$(nproc)" "$@"
