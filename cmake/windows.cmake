# What the 32-bit Windows cross build (cmake/mingw-i686.cmake) supplies itself, since the build
# machine's libraries are Linux ones: GoogleTest compiled from Debian's sources, the two
# header-only libraries without the rest of /usr/include, and wine to run what it builds.
include(CMakePackageConfigHelpers)

set(FLARIMOND_HEADER_ROOT /usr/include CACHE PATH
  "Where the header-only CLI11 (CLI/) and nlohmann-json (nlohmann/) are installed")
set(FLARIMOND_GTEST_SOURCE /usr/src/googletest CACHE PATH
  "GoogleTest sources (Debian package googletest), compiled with the cross compiler")

# Only CLI/ and nlohmann/ are linked into a folder of their own: putting the build machine's
# /usr/include on the path would let its glibc headers shadow the Windows ones.
set(_flarimond_deps ${CMAKE_BINARY_DIR}/cross-deps)
file(MAKE_DIRECTORY ${_flarimond_deps}/include)
foreach(_dir CLI nlohmann)
  if(NOT EXISTS ${FLARIMOND_HEADER_ROOT}/${_dir})
    message(FATAL_ERROR "${FLARIMOND_HEADER_ROOT}/${_dir} is missing: install libcli11-dev and nlohmann-json3-dev")
  endif()
  file(CREATE_LINK ${FLARIMOND_HEADER_ROOT}/${_dir} ${_flarimond_deps}/include/${_dir} SYMBOLIC)
endforeach()

# Package files for the two, so that tools/ finds them with the same find_package calls as on Linux.
function(_flarimond_header_package package target version)
  set(dir ${_flarimond_deps}/${package})
  file(WRITE ${dir}/${package}Config.cmake
    "if(NOT TARGET ${target})\n"
    "  add_library(${target} INTERFACE IMPORTED)\n"
    "  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES \"${_flarimond_deps}/include\")\n"
    "endif()\n")
  write_basic_package_version_file(${dir}/${package}ConfigVersion.cmake
    VERSION ${version} COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
  set(${package}_DIR ${dir} CACHE PATH "Header-only ${package} for the cross build" FORCE)
endfunction()

file(STRINGS ${FLARIMOND_HEADER_ROOT}/CLI/Version.hpp _v REGEX "define CLI11_VERSION \"")
string(REGEX REPLACE ".*\"([0-9.]+)\".*" "\\1" _cli11_version "${_v}")
file(GLOB_RECURSE _json_headers ${FLARIMOND_HEADER_ROOT}/nlohmann/*.hpp)
set(_json_version)
foreach(_part MAJOR MINOR PATCH)
  foreach(_h ${_json_headers})
    file(STRINGS ${_h} _v REGEX "#define NLOHMANN_JSON_VERSION_${_part} [0-9]+")
    if(_v)
      string(REGEX REPLACE ".*VERSION_${_part} ([0-9]+).*" "\\1" _n "${_v}")
      list(APPEND _json_version ${_n})
      break()
    endif()
  endforeach()
endforeach()
list(JOIN _json_version . _json_version)
_flarimond_header_package(CLI11 CLI11::CLI11 ${_cli11_version})
_flarimond_header_package(nlohmann_json nlohmann_json::nlohmann_json ${_json_version})

if(FLARIMOND_TESTS)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${FLARIMOND_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest's own warnings are not ours to fix; its headers are included as system headers.
  foreach(_t gtest gtest_main)
    get_target_property(_inc ${_t} INTERFACE_INCLUDE_DIRECTORIES)
    set_target_properties(${_t} PROPERTIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${_inc}")
  endforeach()
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
  # The tests' main function is our own here (tests/windows/gtest_main.cpp says why).
  add_library(flarimond_test_main STATIC ${CMAKE_SOURCE_DIR}/tests/windows/gtest_main.cpp)
  target_link_libraries(flarimond_test_main PUBLIC GTest::gtest)

  # Tests run under wine, in a prefix of this build's own; they are listed when CTest runs, so
  # building needs no wine.
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh ${CMAKE_BINARY_DIR}/wine)
  endif()
  set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
endif()
