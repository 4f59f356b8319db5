# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiling for Windows with Debian's mingw-w64 compilers (the POSIX
# thread model, for std::thread), included by the two files that name the
# architecture.  Everything is linked statically: the executables need
# nothing beside Windows itself.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TARNVOLD_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNVOLD_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNVOLD_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARNVOLD_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages built for the target (GoogleTest) are found through
# CMAKE_PREFIX_PATH as well.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# GCC cannot realign the stack on Windows x86-64, so vector values it keeps
# there (the key stream's AVX kernels) may sit off their 32-byte alignment:
# the assembler makes every aligned vector move an unaligned one, which
# costs nothing on aligned data.
set(CMAKE_C_FLAGS_INIT "${TARNVOLD_MINGW_FLAGS} -Wa,-muse-unaligned-vector-move")
set(CMAKE_CXX_FLAGS_INIT "${TARNVOLD_MINGW_FLAGS} -Wa,-muse-unaligned-vector-move")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Test lists are read when the tests run, not at build time, which would
# need the emulator for every test program.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
find_program(TARNVOLD_WINE NAMES wine)
if(TARNVOLD_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARNVOLD_WINE})
endif()
