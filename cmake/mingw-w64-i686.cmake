# Cross build for 32-bit Windows with MinGW-w64. This machine runs no 32-bit program, so its tests
# are built but not run (no emulator).
set(HUSH_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# Windows XP SP3 (NT 5.1).
set(HUSHDIAL_WINDOWS_VERSION 5.01)
