# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that the coded-file vectors kept with the tests (COPY) are the
# shared ones (SHARED) file for file: the same names and the same bytes.
# Where SHARED is not at hand there is nothing to compare, and the test is
# skipped.
cmake_minimum_required(VERSION 3.25)
get_filename_component(COPY "${COPY}" ABSOLUTE)
get_filename_component(SHARED "${SHARED}" ABSOLUTE)

if(NOT IS_DIRECTORY "${SHARED}")
  message(STATUS "Skipped: no shared vectors at ${SHARED} (set TARNVOLD_SHARED_VECTORS_DIR)")
  return()
endif()

file(GLOB copy_names LIST_DIRECTORIES true RELATIVE "${COPY}" "${COPY}/*")
file(GLOB shared_names LIST_DIRECTORIES true RELATIVE "${SHARED}" "${SHARED}/*")
set(faults)
foreach(name ${shared_names})
  if(NOT name IN_LIST copy_names)
    list(APPEND faults "${name}: in ${SHARED} only")
  else()
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${COPY}/${name}" "${SHARED}/${name}"
                    RESULT_VARIABLE differ OUTPUT_QUIET ERROR_QUIET)
    if(differ)
      list(APPEND faults "${name}: differs")
    endif()
  endif()
endforeach()
foreach(name ${copy_names})
  if(NOT name IN_LIST shared_names)
    list(APPEND faults "${name}: in ${COPY} only")
  endif()
endforeach()
if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "${COPY} is not the same as ${SHARED}:\n  ${text}")
endif()
list(LENGTH shared_names count)
message(STATUS "${count} files the same in ${COPY} and ${SHARED}")
