# The settings edits against the std::regex reference (see tests/frostpane/differential.h).
if(TARGET frostpane_core)
  vm_add_fuzzer(frostpane_edit_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/frostpane_edit_fuzz.cc LIBS frostpane_core)
  target_include_directories(frostpane_edit_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/tests/frostpane)
endif()
