# The version is written once, in project(); what shows it is generated from it into the build
# tree: resources/version.h for the programs, and the window's caption and manifest.
set(OSTREL_VERSION_PATCH ${PROJECT_VERSION_PATCH})
if(OSTREL_VERSION_PATCH STREQUAL "")
  set(OSTREL_VERSION_PATCH 0)
endif()
set(OSTREL_VERSION_FOUR
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${OSTREL_VERSION_PATCH}.0")
foreach(file IN ITEMS version.h main_dialog.rc ostrel3tools.manifest)
  configure_file(${CMAKE_SOURCE_DIR}/resources/${file}.in ${CMAKE_BINARY_DIR}/resources/${file}
                 @ONLY)
endforeach()
