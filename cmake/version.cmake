# The version is written once, in project(); what shows it is generated from it into the build
# tree: resources/version.h for the programs, and the window's caption and manifest.
# "4.3" has no patch number: the version resource and the manifest want four numbers, 4.3.0.0.
set(OSTREL_VERSION_PATCH 0)
if(NOT PROJECT_VERSION_PATCH STREQUAL "")
  set(OSTREL_VERSION_PATCH ${PROJECT_VERSION_PATCH})
endif()
set(OSTREL_VERSION_FOUR
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${OSTREL_VERSION_PATCH}.0")
foreach(file IN ITEMS version.h main_dialog.rc ostrel3tools.manifest)
  configure_file(${CMAKE_SOURCE_DIR}/resources/${file}.in ${CMAKE_BINARY_DIR}/resources/${file}
                 @ONLY)
endforeach()
