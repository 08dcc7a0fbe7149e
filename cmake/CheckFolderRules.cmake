cmake_minimum_required(VERSION 3.20)
# Fails when a source file includes what its folder may not: the folder
# rules of src/CMakeLists.txt, checked on every test run.
#   cmake -DSOURCE_DIR=<src> -P CheckFolderRules.cmake
# Each folder lists the project folders it may include; the patterns after
# it are system headers it may not include.
set(rules
  "core|core|^Q;hidapi;libudev"
  "device|core,device|^Q;hidapi;libudev"
  "hid|core,device,hid|^Q"
  "bacnet|core,bacnet|^Q;hidapi;libudev"
  "csv|core,csv|^Q;hidapi;libudev"
  "cli|core,device,bacnet,csv,cli|^Q;hidapi;libudev"
  "link|core,device,link|^QtWidgets;^QWidget;^QApplication;hidapi;libudev"
  "app/help|app|hidapi;libudev"
  "app|core,device,bacnet,csv,link,app|hidapi;libudev"
  "programs|core,device,hid,bacnet,csv,cli,link,app,programs|-")

set(faults "")
file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.cpp" "${SOURCE_DIR}/*.h")
foreach(source IN LISTS sources)
  set(rule "")
  foreach(candidate IN LISTS rules)
    string(REPLACE "|" ";" parts "${candidate}")
    list(GET parts 0 folder)
    if(source MATCHES "^${folder}/" AND rule STREQUAL "")
      set(rule "${candidate}")
    endif()
  endforeach()
  if(rule STREQUAL "")
    string(APPEND faults "${source}: in no folder with rules\n")
    continue()
  endif()
  string(REPLACE "|" ";" parts "${rule}")
  list(GET parts 1 allowed)
  list(GET parts 2 forbidden)
  string(REPLACE "," ";" allowed "${allowed}")
  string(REPLACE "," ";" forbidden "${forbidden}")
  file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    if(line MATCHES "#[ \t]*include[ \t]*\"([a-z_]+)/")
      list(FIND allowed "${CMAKE_MATCH_1}" at)
      if(at EQUAL -1)
        string(APPEND faults "${source}: may not include ${CMAKE_MATCH_1}/ (${line})\n")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
      set(header "${CMAKE_MATCH_1}")
      foreach(pattern IN LISTS forbidden)
        if(NOT pattern STREQUAL "-" AND header MATCHES "${pattern}")
          string(APPEND faults "${source}: may not include <${header}>\n")
        endif()
      endforeach()
    endif()
  endforeach()
endforeach()

if(NOT faults STREQUAL "")
  message(FATAL_ERROR "Folder rules broken:\n${faults}")
endif()
list(LENGTH sources count)
message(STATUS "Folder rules hold in ${count} files")
