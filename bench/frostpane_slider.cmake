if(TARGET frostpane_core)
  vm_add_bench(bench_frostpane_slider SOURCES ${CMAKE_CURRENT_LIST_DIR}/frostpane_slider_bench.cc LIBS frostpane_core)
  target_include_directories(bench_frostpane_slider PRIVATE ${CMAKE_SOURCE_DIR}/tests/frostpane)
endif()
