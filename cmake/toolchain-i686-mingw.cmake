# Cross build for 32-bit Windows, the product: run under Wine's 32-bit loader.
set(MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
