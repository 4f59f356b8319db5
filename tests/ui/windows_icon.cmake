# SPDX-License-Identifier: GPL-3.0-or-later
# packaging/windows/tarnvold.ico, which the Windows build puts in the
# executable, is the icon the program draws:
#   cmake -DTOOL=tarnvold_icon -DSHIPPED=tarnvold.ico -DOUT=drawn.ico -P windows_icon.cmake
execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${TOOL} ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${TOOL} ${OUT} failed (${rc})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SHIPPED} ${OUT} RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "${SHIPPED} is not the icon the program draws; make it again: tarnvold_icon ${SHIPPED}")
endif()
