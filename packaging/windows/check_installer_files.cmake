# Compares the installer's file list (cmake -DLIST=program_files.nsh
# -DFOLDER=<program folder> -P ...) with the built program folder: a file
# the list lacks would not be installed, a listed file the folder lacks
# would fail the installer's build, and either way the uninstaller would
# leave a file behind or miss one.
file(STRINGS ${LIST} lines REGEX "insertmacro \\\${FILE} ")
set(listed)
foreach(line IN LISTS lines)
  string(REGEX MATCH "\"([^\"]*)\" \"([^\"]*)\"" match "${line}")
  if("${CMAKE_MATCH_1}" STREQUAL "")
    list(APPEND listed "${CMAKE_MATCH_2}")
  else()
    list(APPEND listed "${CMAKE_MATCH_1}/${CMAKE_MATCH_2}")
  endif()
endforeach()
file(GLOB_RECURSE built RELATIVE ${FOLDER} ${FOLDER}/*)
if(NOT built)
  message(FATAL_ERROR "The program folder ${FOLDER} is empty or missing")
endif()
set(missing ${listed})
list(REMOVE_ITEM missing ${built})
set(stray ${built})
list(REMOVE_ITEM stray ${listed})
if(missing OR stray)
  message(FATAL_ERROR "The installer's list and ${FOLDER} differ:\n"
    "  listed, not built: ${missing}\n  built, not listed: ${stray}")
endif()
list(LENGTH listed count)
message(STATUS "The installer lists the ${count} files of ${FOLDER}")
