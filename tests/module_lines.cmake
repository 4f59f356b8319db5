# SPDX-License-Identifier: GPL-3.0-or-later
# The lines between the modules of src, read from their includes:
#   - io, config, engine, batch and cli never include Qt or a window (ui/);
#   - each module includes only itself and the modules below it;
#   - every include of the project's own headers names its module.
# cmake -DSOURCE_ROOT=<path of src> -P module_lines.cmake
cmake_minimum_required(VERSION 3.25)

# What each module may include, besides the generated tarnvold/version.h.
set(below_io io)
set(below_config config io)
set(below_engine engine config io)  # config: the message numbers
set(below_batch batch engine config io)
set(below_cli cli batch engine config io)
set(below_ui ui batch engine config io)
set(qt_free io config engine batch cli)

set(faults "")
foreach(module io config engine batch cli ui)
  file(GLOB files "${SOURCE_ROOT}/${module}/*.h" "${SOURCE_ROOT}/${module}/*.cpp")
  if(NOT files)
    message(FATAL_ERROR "No sources in ${SOURCE_ROOT}/${module}")
  endif()
  foreach(file ${files})
    file(RELATIVE_PATH shown "${SOURCE_ROOT}/.." "${file}")
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${includes})
      if(line MATCHES "include[ \t]*<(Qt|Q[A-Z]|q[a-z0-9_]*\\.h)")
        if(module IN_LIST qt_free)
          list(APPEND faults "${shown}: Qt in a part that must build without it: ${line}")
        endif()
      elseif(line MATCHES "include[ \t]*\"([^\"]*)\"")
        set(name "${CMAKE_MATCH_1}")
        if(name STREQUAL "tarnvold/version.h")
          continue()
        elseif(NOT name MATCHES "^([a-z]+)/[^/]+$")
          list(APPEND faults "${shown}: include without its module (\"module/name.h\"): ${line}")
        elseif(NOT CMAKE_MATCH_1 IN_LIST below_${module})
          list(APPEND faults "${shown}: ${module} may not include ${CMAKE_MATCH_1}/: ${line}")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Module lines crossed:\n  ${text}")
endif()
message(STATUS "Module lines kept")
