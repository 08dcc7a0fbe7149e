cmake_minimum_required(VERSION 3.20)
# Fails when a source file includes what its folder may not: the folder
# rules of src/CMakeLists.txt, checked on every test run.
#   cmake -DSOURCE_DIR=<src> -P CheckFolderRules.cmake
# Each folder lists the project folders it may include; the patterns after
# it are system headers it may not include.
# A folder's rule is the first whose folder it is in or below; an include
# names the folder of the header it includes ("app/pages" for
# "app/pages/form_binding.h"), which must be listed whole: "app" lets a file
# include what lies in app/ itself, not in its subfolders.
set(rules
  "core|core|^Q;hidapi;libudev"
  "device|core,device|^Q;hidapi;libudev"
  "hid|core,device,hid|^Q"
  "bacnet/simulated|core,bacnet,bacnet/simulated|^Q;hidapi;libudev"
  "bacnet|core,bacnet|^Q;hidapi;libudev"
  "csv|core,csv|^Q;hidapi;libudev"
  "commission|core,device,bacnet,csv,commission|^Q;hidapi;libudev"
  "cli|core,device,bacnet,bacnet/simulated,csv,commission,cli|^Q;hidapi;libudev"
  "link|core,device,link|^QtWidgets;^QWidget;^QApplication;hidapi;libudev"
  "app/help|app/help|hidapi;libudev"
  "app/devices|device,app/devices|hidapi;libudev"
  "app/pages|core,app/pages|hidapi;libudev"
  "app/checkout|core,device,bacnet,commission,app,app/pages,app/checkout|hidapi;libudev"
  "app/commissioning|core,device,commission,app,app/commissioning|hidapi;libudev"
  "app|core,device,bacnet,bacnet/simulated,csv,commission,link,app,app/help,app/devices,app/pages,app/checkout,app/commissioning|hidapi;libudev"
  "programs|core,device,hid,bacnet,bacnet/simulated,csv,commission,cli,link,app,app/help,app/devices,app/pages,app/checkout,app/commissioning,programs|-")

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
    if(line MATCHES "#[ \t]*include[ \t]*\"(([a-z_]+/)+)[a-z_]+\\.h\"")
      string(REGEX REPLACE "/$" "" folder "${CMAKE_MATCH_1}")
      list(FIND allowed "${folder}" at)
      if(at EQUAL -1)
        string(APPEND faults "${source}: may not include ${folder}/ (${line})\n")
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
