# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack once the files of the packages are in place, before they are
# packed: strips every program of its symbols and of the compiler's notes
# (.comment, .note), as Debian's own packaging does.
if(NOT CPACK_TARNVOLD_STRIP)
  message(FATAL_ERROR "No strip program: configure with a compiler whose binutils are at hand")
endif()
if(NOT IS_DIRECTORY "${CPACK_TEMPORARY_DIRECTORY}")
  message(FATAL_ERROR "No staging folder to strip the programs in")
endif()
file(GLOB_RECURSE files LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
set(stripped 0)
foreach(file ${files})
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    execute_process(COMMAND "${CPACK_TARNVOLD_STRIP}" --remove-section=.comment --remove-section=.note "${file}"
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "Could not strip ${file}")
    endif()
    math(EXPR stripped "${stripped} + 1")
  endif()
endforeach()
if(stripped EQUAL 0)
  message(FATAL_ERROR "No program found to strip in ${CPACK_TEMPORARY_DIRECTORY}")
endif()
