if(TARGET frostpane_core)
  vm_add_bench(bench_frostpane_slider SOURCES ${CMAKE_CURRENT_LIST_DIR}/frostpane_slider_bench.cc LIBS frostpane_core frostpane_fake)
endif()
