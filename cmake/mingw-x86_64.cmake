# Cross-compiling for 64-bit Windows with mingw-w64: the build the tests run
# everywhere. Some machines of this kind cannot execute 32-bit code at all (the
# kernel has its 32-bit emulation switched off); there the shipped 32-bit
# Tolv.exe is checked statically and the same sources are exercised as a
# 64-bit build under Wine. Where 32-bit programs run, the end-to-end tests use
# the i686 test build (mingw-i686-posix.cmake) instead.
# The posix thread model: the win32 one has no std::mutex/std::thread in GCC 12.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test binaries run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
