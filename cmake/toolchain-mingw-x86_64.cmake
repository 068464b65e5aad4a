# Cross-build for 64-bit Windows: the same code, for running the tests under 64-bit Wine on
# machines that cannot start 32-bit processes. Nothing built with it is shipped.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORB_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
