# Cross build for 64-bit Windows with MinGW-w64; its tests run under Wine.
set(HUSH_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
# Windows XP x64 and Server 2003 SP1 (NT 5.2): their loader refuses a higher subsystem version.
set(HUSHDIAL_WINDOWS_VERSION 5.02)
