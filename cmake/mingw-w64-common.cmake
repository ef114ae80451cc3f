# What both MinGW-w64 cross builds share; the toolchain file names HUSH_MINGW_TRIPLE first. The win32
# thread model: its runtime imports only what Windows XP exports (the posix model's winpthreads needs
# GetTickCount64, Vista and later).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${HUSH_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${HUSH_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${HUSH_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${HUSH_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
