if(TARGET promptloom_core)
  vm_add_bench(bench_promptloom_prompt SOURCES ${CMAKE_CURRENT_LIST_DIR}/promptloom_prompt_bench.cc LIBS promptloom_core)
endif()
