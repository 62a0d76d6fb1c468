# Cross-building for 64-bit Windows with mingw-w64 from a Linux machine:
#
#     cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/windows-x86_64.cmake \
#         -DQUORIN_BUILD_TESTS=OFF
#     cmake --build build-windows --target quorin -j2
#
# On Debian the compilers come with g++-mingw-w64-x86-64-posix. The "posix" flavour
# is the one whose C++ library has threads, which the core's thread-local tables need.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUORIN_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUORIN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORIN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORIN_MINGW_PREFIX}-windres)

# Libraries and headers of the target only; the build machine's tools stay usable.
set(CMAKE_FIND_ROOT_PATH /usr/${QUORIN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs built here run on this machine through wine (ctest, gtest_discover_tests).
find_program(QUORIN_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(QUORIN_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORIN_WINE})
endif()
