# ccache, where the machine has it, shares compiled objects between build folders, with
# paths taken relative to the folder that holds the source tree, so that a build folder
# beside another (the reproducibility check's second build, a second clone) hits the same
# entries. Sourced by the build scripts. Sets compiler_cache, the command put before a
# compiler (empty without ccache), and compiler_cache_cmake, the options that make CMake use
# it.
compiler_cache=() compiler_cache_cmake=()
if command -v ccache >/dev/null 2>&1; then
  CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)")}"
  export CCACHE_BASEDIR CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
  compiler_cache=(ccache)
  compiler_cache_cmake=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
