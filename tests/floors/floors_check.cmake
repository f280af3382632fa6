# Reads the includes of the program's folders and fails when one reaches a
# floor above its own, or when link/ and graph/ (one floor) call each other.
# Floors, from the ground: platform/ and panels/, core/, link/ and graph/,
# settings/, views/, app/. The protocol core (core/protocol/) is plain C++ for
# every program that speaks to the sensor: it includes only itself. The
# quality figures (core/quality/) are plain C++ too and include only the
# protocol core and themselves. The backup files (core/backup/) add Qt Core's
# run-time room and nothing of the program's state; the command-line tool
# (cli/) stands on those two and the serial and run-time rooms alone, never on
# the program or its panels.
#   cmake -DQZAN_ROOT=<checkout> -P floors_check.cmake
# Prints the folder-to-folder include counts as it goes.
cmake_minimum_required(VERSION 3.25)
if(NOT QZAN_ROOT)
  message(FATAL_ERROR "QZAN_ROOT is not set")
endif()

set(floor_platform 0)
set(floor_panels 0)
set(floor_core 1)
set(floor_link 2)
set(floor_graph 2)
set(floor_settings 3)
set(floor_views 4)
set(floor_app 5)
set(checked core link graph settings views app cli)

set(faults "")
set(edges "")
foreach(folder IN LISTS checked)
  if(NOT IS_DIRECTORY ${QZAN_ROOT}/${folder})
    continue()
  endif()
  file(GLOB_RECURSE sources RELATIVE ${QZAN_ROOT}
       ${QZAN_ROOT}/${folder}/*.h ${QZAN_ROOT}/${folder}/*.cpp)
  foreach(source IN LISTS sources)
    file(STRINGS ${QZAN_ROOT}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" included "${line}")
      if(NOT included MATCHES "/")
        continue() # a header beside the file
      endif()
      string(REGEX REPLACE "/.*$" "" to "${included}")
      if(NOT DEFINED floor_${to})
        continue() # not a folder of the program (a test's or a tool's)
      endif()
      list(APPEND edges "${folder} -> ${to}")
      if(source MATCHES "^core/protocol/")
        if(NOT included MATCHES "^core/protocol/")
          list(APPEND faults "${source} includes ${included}: the protocol core includes only itself")
        endif()
      elseif(source MATCHES "^core/quality/")
        if(NOT included MATCHES "^(core/protocol/|core/quality/)")
          list(APPEND faults "${source} includes ${included}: the quality figures include only the protocol core and themselves")
        endif()
      elseif(source MATCHES "^core/backup/")
        if(NOT included MATCHES "^(core/protocol/|core/backup/|platform/runtime/)")
          list(APPEND faults "${source} includes ${included}: the backup files stand on the protocol core and the run-time room alone")
        endif()
      elseif(folder STREQUAL "cli")
        if(NOT included MATCHES "^(core/protocol/|core/backup/|platform/rs232\\.h$|platform/serial/|platform/runtime/)")
          list(APPEND faults "${source} includes ${included}: the tool stands on the protocol core, the backup files and the serial and run-time rooms alone")
        endif()
      elseif(NOT to STREQUAL folder AND NOT floor_${to} LESS floor_${folder})
        list(APPEND faults "${source} includes ${included}: ${to}/ is not below ${folder}/")
      endif()
    endforeach()
  endforeach()
endforeach()

list(SORT edges)
set(counted "")
foreach(edge IN LISTS edges)
  if(edge IN_LIST counted)
    continue()
  endif()
  list(APPEND counted "${edge}")
  set(n 0)
  foreach(other IN LISTS edges)
    if(other STREQUAL edge)
      math(EXPR n "${n} + 1")
    endif()
  endforeach()
  message(STATUS "${edge}: ${n}")
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Includes against the floors:\n  ${text}")
endif()
message(STATUS "Every include keeps to the floors")
