# Cross-compiling for 32-bit Windows with the posix thread model: the i686
# test build, which runs the tests on the shipped architecture where the
# machine runs 32-bit programs. GoogleTest needs std::mutex, which GCC 12's
# win32 thread model (the shipped build's, see mingw-i686.cmake) lacks.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
# Libraries cross-built by scripts/setup with this thread model.
set(TOLV_DEPS_NAME i686-posix)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test binaries run under 32-bit Wine (scripts/test sets its win32 prefix).
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
