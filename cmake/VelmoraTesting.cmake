# Test helpers shared by every component.
#
#   vm_add_gtest(<name> SOURCES <files...> [LIBS <libs...>])
#     A GoogleTest executable registered with ctest. In the mingw build trees ctest runs it under
#     Wine through CMAKE_CROSSCOMPILING_EMULATOR, so C-runtime differences show up as failures.
#
#   vm_add_script_test(<name> <script> [args...])
#     A bash end-to-end test. The script sees VM_BIN (this tree's bin folder), VM_BUILD (this
#     tree), VM_SRC (the repository), VM_TARGET (native, x86 or x64), VM_SHARED (the shared
#     folder beside the repository, which may be absent) and, in a Windows tree, VM_WINE (the
#     Wine loader for this tree's programs).
#
#   Every test of a tree of 32-bit Windows programs is reported as skipped (exit code 77) on a
#   machine that runs no 32-bit code; the tree that builds them for x86-64 runs them there.

set(VM_GTEST_SRC /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT TARGET gtest_main)
  if(EXISTS ${VM_GTEST_SRC}/CMakeLists.txt)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(${VM_GTEST_SRC} ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL SYSTEM)
  else()
    find_package(GTest REQUIRED)
    add_library(gtest_main ALIAS GTest::gtest_main)
  endif()
endif()

get_filename_component(VM_SHARED_DIR ${CMAKE_SOURCE_DIR}/../shared ABSOLUTE)
set(VM_IA32_GUARD "")
set(VM_WINE_LOADER "")
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VM_IA32_GUARD ${CMAKE_SOURCE_DIR}/tests/lib/needs-ia32)
  set(VM_WINE_LOADER /usr/lib/wine/wine)
elseif(WIN32)
  set(VM_WINE_LOADER /usr/lib/wine/wine64)
endif()

function(vm_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} gtest_main)
  vm_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS unit
    ENVIRONMENT "VM_SRC=${CMAKE_SOURCE_DIR};VM_SHARED=${VM_SHARED_DIR};VM_TARGET=${VELMORA_TARGET}")
  if(VM_IA32_GUARD)
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
  endif()
endfunction()

function(vm_add_script_test name script)
  add_test(NAME ${name} COMMAND ${VM_IA32_GUARD} bash ${script} ${ARGN})
  set_tests_properties(${name} PROPERTIES LABELS e2e
    ENVIRONMENT "VM_BIN=${CMAKE_BINARY_DIR}/bin;VM_BUILD=${CMAKE_BINARY_DIR};VM_SRC=${CMAKE_SOURCE_DIR};VM_TARGET=${VELMORA_TARGET};VM_SHARED=${VM_SHARED_DIR};VM_WINE=${VM_WINE_LOADER}")
  if(VM_IA32_GUARD)
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
  endif()
endfunction()
