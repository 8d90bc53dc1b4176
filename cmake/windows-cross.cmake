# SPDX-License-Identifier: MIT
# What the Windows build takes from this Debian machine besides the MinGW
# compilers: the header-only libraries and GoogleTest's sources.

# Only boost/ and nlohmann/ from /usr/include: the folder itself would put
# glibc's headers before MinGW's.
set(CEP_HEADER_ONLY ${CMAKE_BINARY_DIR}/header-only)
file(MAKE_DIRECTORY ${CEP_HEADER_ONLY})
foreach(library boost nlohmann)
  if(NOT EXISTS ${CEP_HEADER_ONLY}/${library})
    file(CREATE_LINK /usr/include/${library} ${CEP_HEADER_ONLY}/${library} SYMBOLIC)
  endif()
endforeach()
add_library(Boost::headers INTERFACE IMPORTED)
set_target_properties(Boost::headers PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${CEP_HEADER_ONLY})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${CEP_HEADER_ONLY})
set(Boost_FOUND TRUE)
set(nlohmann_json_FOUND TRUE)

# The test programs run under Wine, which sees this machine's files on drive Z:.
set(CEP_WINDOWS_TEST_DRIVE "Z:")

if(CEP_BUILD_TESTS)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest's own code is not held to this project's warnings.
  foreach(target gtest gtest_main)
    target_compile_options(${target} PRIVATE -w)
  endforeach()
  set(GTest_FOUND TRUE)
endif()
if(TARGET gtest_main AND NOT TARGET GTest::gtest_main)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()

# The test programs run under Wine, in a prefix of the build's own, finding
# the compiler's and Qt's DLLs where they lie.
set(CEP_WINEPREFIX "$ENV{HOME}/.cache/cepcalc-windows/wine" CACHE PATH "The Wine prefix the tests run in")
set(CEP_MINGW_RUNTIME)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE found
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(found ${found} REALPATH)
  if(NOT EXISTS ${found})
    message(FATAL_ERROR "The MinGW runtime ${dll} was not found")
  endif()
  list(APPEND CEP_MINGW_RUNTIME ${found})
endforeach()

# MinGW's GCC 12 warns of overlapping copies in std::string's operator+ with
# a literal on the left (GCC bug 105651, fixed in GCC 13); nothing overlaps.
add_compile_options(-Wno-restrict)
