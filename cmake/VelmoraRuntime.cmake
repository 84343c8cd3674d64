# A Windows user copies one file: every .exe and .dll carries the C and C++ runtime inside, so its
# import table names only system DLLs. Plain -static is needed with the posix-flavour mingw
# compilers; -static-libstdc++ alone still imports libwinpthread-1.dll.
if(MINGW)
  add_link_options(-static)
elseif(MSVC)
  set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
endif()
