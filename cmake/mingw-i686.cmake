# Cross-compiling for 32-bit Windows with mingw-w64: the shipped Tolv.exe.
#
# The win32 thread model: the posix one links winpthreads, which imports
# GetTickCount64 (and more) from kernel32, and Windows XP's loader refuses an
# executable that imports a function its system DLLs lack. The client itself
# starts its threads with CreateThread and needs no std::thread or std::mutex,
# which GCC 12's win32 model lacks.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
# Libraries cross-built by scripts/setup with this thread model.
set(TOLV_DEPS_NAME i686-win32)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
