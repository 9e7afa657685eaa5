# Cross build for 32-bit Windows (i686) with mingw-w64; the programs and tests run under Wine.
set(FERROLT_MINGW_TARGET i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
