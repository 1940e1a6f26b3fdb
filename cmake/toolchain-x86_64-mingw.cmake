# Cross build for 64-bit Windows: run under Wine's 64-bit loader.
set(MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
