# The interactive menus of promptloom through their exports: first frame, per key, heap.
if(TARGET promptloom_core)
  vm_add_bench(bench_promptloom_menus SOURCES ${CMAKE_CURRENT_LIST_DIR}/promptloom_menus_bench.cc LIBS promptloom_core)
endif()
