if(TARGET frostpane_core)
  vm_add_bench(bench_frostpane SOURCES ${CMAKE_CURRENT_LIST_DIR}/frostpane_bench.cc LIBS frostpane_core)
endif()
