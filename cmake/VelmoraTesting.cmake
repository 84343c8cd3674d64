# Test helpers shared by every component.
#
#   vm_add_gtest(<name> SOURCES <files...> [LIBS <libs...>])
#     A GoogleTest executable registered with ctest. In the mingw build trees ctest runs it under
#     Wine through CMAKE_CROSSCOMPILING_EMULATOR, so C-runtime differences show up as failures.
#
#   vm_add_script_test(<name> <script> [args...])
#     A bash end-to-end test. The script sees VM_BIN (this tree's bin folder), VM_BUILD (this
#     tree), VM_SRC (the repository), VM_TARGET (native, x86 or x64) and VM_SHARED (the shared
#     folder beside the repository, which may be absent).

set(VM_GTEST_SRC /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT TARGET gtest_main)
  if(EXISTS ${VM_GTEST_SRC}/CMakeLists.txt)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(${VM_GTEST_SRC} ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL SYSTEM)
  else()
    find_package(GTest REQUIRED)
    add_library(gtest_main ALIAS GTest::gtest_main)
    add_library(gmock ALIAS GTest::gmock)
  endif()
endif()

get_filename_component(VM_SHARED_DIR ${CMAKE_SOURCE_DIR}/../shared ABSOLUTE)

function(vm_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} gmock gtest_main)
  vm_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS unit
    ENVIRONMENT "VM_SRC=${CMAKE_SOURCE_DIR};VM_SHARED=${VM_SHARED_DIR};VM_TARGET=${VELMORA_TARGET}")
endfunction()

function(vm_add_script_test name script)
  add_test(NAME ${name} COMMAND bash ${script} ${ARGN})
  set_tests_properties(${name} PROPERTIES LABELS e2e
    ENVIRONMENT "VM_BIN=${CMAKE_BINARY_DIR}/bin;VM_BUILD=${CMAKE_BINARY_DIR};VM_SRC=${CMAKE_SOURCE_DIR};VM_TARGET=${VELMORA_TARGET};VM_SHARED=${VM_SHARED_DIR}")
endfunction()
