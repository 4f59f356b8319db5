# SPDX-License-Identifier: GPL-3.0-or-later
# Windows x86 (win32): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TARNVOLD_MINGW_TRIPLE i686-w64-mingw32)
# Doubles in SSE2 registers, as on x86-64: the fast key stream's portable
# kernel rounds with them and relies on double precision, not the x87
# unit's extended one (which only the reference key stream uses, on
# purpose).  Every processor that runs a supported Windows has SSE2.
set(TARNVOLD_MINGW_FLAGS "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
