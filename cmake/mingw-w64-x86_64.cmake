# SPDX-License-Identifier: MIT
# Cross-building for 64-bit Windows with Debian's MinGW-w64. The -posix
# compilers are the ones with C++ threads (std::thread, std::mutex); the
# unsuffixed ones are the win32-thread variant.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CEP_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CEP_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CEP_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CEP_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${CEP_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${CEP_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

# Libraries and headers come from the MinGW sysroot and the folders named in
# CEP_WINDOWS_ROOTS (the cached Qt, the header-only libraries), never from
# the Linux system; programs (moc, rcc) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${CEP_MINGW_TRIPLE} $ENV{CEP_WINDOWS_ROOTS} ${CEP_WINDOWS_ROOTS})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CEP_WINDOWS_ROOTS)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
