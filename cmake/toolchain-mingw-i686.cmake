# Cross-build for 32-bit Windows: the shipped installer (PE32).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ORB_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
