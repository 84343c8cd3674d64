# The input decoder of promptloom (pure code): cost per byte for typed text, keys and mouse reports.
if(TARGET promptloom_core)
  vm_add_bench(bench_promptloom_input SOURCES ${CMAKE_CURRENT_LIST_DIR}/promptloom_input_bench.cc LIBS promptloom_core)
endif()
