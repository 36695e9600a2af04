# 32-bit Windows (x86) with i686-w64-mingw32-g++-posix.
set(CMAKE_SYSTEM_PROCESSOR X86)
set(MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
