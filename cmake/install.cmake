# What `cmake --install` puts on a Linux machine, and the Debian package CPack makes of it: the two
# programs, their manual pages, the shell completion, the menu entry and its icons, and the
# documents. Windows gets its zip from ./release instead.
if(WIN32)
  return()
endif()
include(GNUInstallDirs)

set(packaging ${CMAKE_SOURCE_DIR}/packaging)
set(packaging_out ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${packaging_out})

# gzip -9n: the best compression, and neither the file's name nor its time inside, so that the
# same file gives the same bytes.
function(ostrel_gzip source output)
  add_custom_command(OUTPUT ${output} COMMAND gzip -9nc ${source} > ${output} DEPENDS ${source}
                     VERBATIM)
endfunction()

ostrel_gzip(${packaging}/ostrel.1 ${packaging_out}/ostrel.1.gz)
ostrel_gzip(${packaging}/ostrel-keyer-sim.1 ${packaging_out}/ostrel-keyer-sim.1.gz)
ostrel_gzip(${packaging}/changelog ${packaging_out}/changelog.gz)
ostrel_gzip(${CMAKE_SOURCE_DIR}/README.md ${packaging_out}/README.md.gz)
# A package whose version has a revision (4.3-1) carries a changelog of Debian's own form too. Its
# date is the commit's when SOURCE_DATE_EPOCH is set (./release), else the time of configuring.
set(OSTREL_MAINTAINER "Ostrel 3 Tools maintainers <maintainers@users.noreply.c-seed-01cef8e2.example>"
    CACHE STRING "The package's maintainer, as Debian's Maintainer field names one")
string(TIMESTAMP OSTREL_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${packaging}/changelog.Debian.in ${packaging_out}/changelog.Debian @ONLY)
ostrel_gzip(${packaging_out}/changelog.Debian ${packaging_out}/changelog.Debian.gz)

# The completion, with the names `set` takes from the table of settings.
add_executable(setting_keys ${CMAKE_SOURCE_DIR}/cli/setting_keys_main.cpp)
target_link_libraries(setting_keys PRIVATE ostrel_settings)
add_custom_command(
  OUTPUT ${packaging_out}/ostrel.bash
  COMMAND setting_keys ${packaging}/ostrel.bash.in ${packaging_out}/ostrel.bash
  DEPENDS setting_keys ${packaging}/ostrel.bash.in)

add_custom_target(ostrel_packaging_files ALL
  DEPENDS ${packaging_out}/ostrel.1.gz ${packaging_out}/ostrel-keyer-sim.1.gz
          ${packaging_out}/changelog.gz ${packaging_out}/changelog.Debian.gz
          ${packaging_out}/README.md.gz ${packaging_out}/ostrel.bash)

install(TARGETS ostrel ostrel-keyer-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${packaging_out}/ostrel.1.gz ${packaging_out}/ostrel-keyer-sim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging_out}/ostrel.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME ostrel)
install(FILES ${packaging}/ostrel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME ostrel)
foreach(size IN ITEMS 16 22 24 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icon/hicolor/${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ostrel.png)
endforeach()
install(FILES ${packaging_out}/README.md.gz ${packaging_out}/changelog.gz
              ${packaging_out}/changelog.Debian.gz ${packaging}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ostrel)

# Debian's cpp-httplib changes its library's name with every release, so a package that links
# Debian 12's would not install on Debian 13. ./release ships a private copy, in a folder of the
# package's own (where the system's library search, and ldconfig, never look).
option(OSTREL_PRIVATE_HTTPLIB "Install a private copy of the cpp-httplib library ostrel links" OFF)
if(OSTREL_PRIVATE_HTTPLIB)
  find_library(OSTREL_HTTPLIB_LIBRARY cpp-httplib REQUIRED)
  file(REAL_PATH ${OSTREL_HTTPLIB_LIBRARY} httplib_file)
  execute_process(COMMAND objdump -p ${httplib_file} OUTPUT_VARIABLE httplib_headers)
  if(NOT httplib_headers MATCHES "SONAME +([^\n]+)")
    message(FATAL_ERROR "cannot read the library name of ${httplib_file}")
  endif()
  set(private_libdir lib/${CMAKE_LIBRARY_ARCHITECTURE}/ostrel)
  install(FILES ${httplib_file} DESTINATION ${private_libdir} RENAME ${CMAKE_MATCH_1})
  set_target_properties(ostrel PROPERTIES INSTALL_RPATH "\$ORIGIN/../${private_libdir}")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${private_libdir})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "${OSTREL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${OSTREL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration utility for the Ostrel Morse-code keyer")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
Tests the link to an Ostrel keyer on a serial port or USB adapter, reads its
settings (both user banks, the twelve message memories and the callsigns)
into a settings file, edits and compares settings files, writes them back to
the keyer, and uploads new keyer firmware from an Intel HEX file through the
keyer's bootloader.
.
It works from the command line (ostrel) and as a window in the web browser
(ostrel ui, which the menu starts as Ostrel 3 Tools). A simulated keyer
(ostrel-keyer-sim) lets everything be tried without hardware.]=])
include(CPack)
