# A release build (the release presets): optimised and hardened, stripped, with no sanitizer, test
# or benchmark program, and the same bytes from the same commit wherever the tree lies.
if(NOT OSTREL_RELEASE)
  return()
endif()
if(OSTREL_SANITIZE OR BUILD_TESTING)
  message(FATAL_ERROR "A release build has no sanitizer and no tests: configure it with "
                      "OSTREL_SANITIZE=OFF and BUILD_TESTING=OFF (cmake --preset release)")
endif()

set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported(LANGUAGES C CXX)

# windres takes none of these: C and C++ only. The file-prefix maps keep the folders the build ran
# in out of the programs (__FILE__ in assertions, debug paths), so that they do not differ.
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX>:-O2;-D_FORTIFY_SOURCE=2;-fstack-protector-strong>"
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=;-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>")
# GCC 12 at -O2 warns of an overlap inside std::string's own replace that cannot happen (its bug
# 105651, mended in GCC 13); it says nothing about this code.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict>)
endif()
add_link_options(-s)
if(WIN32)
  # MinGW's stack protector and fortified functions live in GCC's libssp, which the driver links
  # (statically here) only when it sees the option at the link too.
  add_link_options(-fstack-protector-strong)
  # Address space layout randomisation at a 64-bit base, no code in data pages, and no link time
  # in the header (the same exe from the same commit).
  add_link_options(-Wl,--dynamicbase -Wl,--nxcompat -Wl,--high-entropy-va -Wl,--no-insert-timestamp)
else()
  # Full RELRO: every symbol bound at start, the tables read-only after it.
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
