# Cross build for 32-bit Windows with MinGW-w64; its tests run under a private 32-bit Wine
# (tools/wine32) where the machine runs 32-bit programs, and skip where it does not.
set(HUSH_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
# Windows XP SP3 (NT 5.1).
set(HUSHDIAL_WINDOWS_VERSION 5.01)
