# Compiles the help project with chmcmd; run by the build as
#   cmake -DCHMCMD=... -DSOURCE_DIR=... -DSTAGE_DIR=... -DPROJECT_FILE=x.hhp -DOUTPUT=.../x.chm -P compile_help.cmake
#
# chmcmd writes the .chm beside the project and may exit 0 after errors, so
# the pages are compiled in a copy (STAGE_DIR) and the build fails when:
# a file of the project, a contents or index entry, or the default topic
# names a file that does not exist; a page of the folder is missing from the
# project's [FILES]; or chmcmd exits non-zero or reports an error or warning
# (a missing linked file, an undefined anchor).
cmake_minimum_required(VERSION 3.21)

foreach(var CHMCMD SOURCE_DIR STAGE_DIR PROJECT_FILE OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "compile_help.cmake: ${var} is not set")
  endif()
endforeach()

set(problems "")
macro(problem text)
  string(APPEND problems "  ${text}\n")
endmacro()

# The project: its options and its [FILES].
file(STRINGS "${SOURCE_DIR}/${PROJECT_FILE}" project_lines)
set(section "")
set(project_files "")
foreach(line IN LISTS project_lines)
  string(STRIP "${line}" line)
  if(line MATCHES "^\\[(.*)\\]$")
    set(section "${CMAKE_MATCH_1}")
  elseif(line STREQUAL "" OR line MATCHES "^;")
  elseif(section STREQUAL "OPTIONS" AND line MATCHES "^([^=]+)=(.*)$")
    string(STRIP "${CMAKE_MATCH_1}" key)
    string(STRIP "${CMAKE_MATCH_2}" value)
    string(MAKE_C_IDENTIFIER "${key}" key)
    set(option_${key} "${value}")
  elseif(section STREQUAL "FILES")
    list(APPEND project_files "${line}")
  endif()
endforeach()

foreach(key Compiled_file Contents_file Index_file Default_topic)
  if(NOT DEFINED option_${key})
    problem("${PROJECT_FILE}: no '${key}' option")
  endif()
endforeach()
foreach(file IN LISTS project_files option_Contents_file option_Index_file option_Default_topic)
  if(NOT EXISTS "${SOURCE_DIR}/${file}")
    problem("${PROJECT_FILE} names ${file}, which does not exist")
  endif()
endforeach()

# Every page of the folder is in the project.
file(GLOB_RECURSE pages RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.html")
foreach(page IN LISTS pages)
  if(NOT page IN_LIST project_files)
    problem("${page} is not listed under [FILES] in ${PROJECT_FILE}")
  endif()
endforeach()

# Every entry of the contents and the index leads to a page that exists.
foreach(sitemap IN ITEMS "${option_Contents_file}" "${option_Index_file}")
  if(sitemap STREQUAL "" OR NOT EXISTS "${SOURCE_DIR}/${sitemap}")
    continue()
  endif()
  file(READ "${SOURCE_DIR}/${sitemap}" text)
  string(REGEX MATCHALL "[Nn][Aa][Mm][Ee]=\"[Ll][Oo][Cc][Aa][Ll]\"[ \t\r\n]+[Vv][Aa][Ll][Uu][Ee]=\"[^\"]*\"" locals "${text}")
  foreach(local IN LISTS locals)
    string(REGEX REPLACE ".*[Vv][Aa][Ll][Uu][Ee]=\"([^\"#]*).*" "\\1" target "${local}")
    if(NOT EXISTS "${SOURCE_DIR}/${target}")
      problem("${sitemap} leads to ${target}, which does not exist")
    endif()
  endforeach()
endforeach()

if(NOT problems STREQUAL "")
  message(FATAL_ERROR "The help project is inconsistent:\n${problems}")
endif()

# A fresh copy of the sources, and no stale help file if this run fails.
file(REMOVE_RECURSE "${STAGE_DIR}")
file(REMOVE "${OUTPUT}")
file(COPY "${SOURCE_DIR}/" DESTINATION "${STAGE_DIR}"
     PATTERN "CMakeLists.txt" EXCLUDE
     PATTERN "*.cmake" EXCLUDE)

execute_process(
  COMMAND "${CHMCMD}" "${PROJECT_FILE}"
  WORKING_DIRECTORY "${STAGE_DIR}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
)
set(report "${out}${err}")
string(REGEX MATCHALL "(^|\n)(Error|Warning)[^\n]*" complaints "${report}")
set(compiled "${STAGE_DIR}/${option_Compiled_file}")
if(NOT result EQUAL 0 OR complaints OR NOT EXISTS "${compiled}")
  message(FATAL_ERROR "chmcmd failed to compile ${PROJECT_FILE} (exit ${result}):\n${report}")
endif()

get_filename_component(output_dir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${output_dir}")
file(COPY_FILE "${compiled}" "${OUTPUT}")
