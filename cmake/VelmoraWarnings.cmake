# vm_warnings(<target>): the project's warning set; warnings are errors on GCC and Clang.
function(vm_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive- /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
  endif()
endfunction()

# Colour arithmetic must give the same bits on every target: the 32-bit build would otherwise
# use x87 extended precision, and GCC would fuse multiply-adds where the hardware has FMA.
if(NOT MSVC)
  add_compile_options(-ffp-contract=off)
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86|i[3-6]86)$")
    add_compile_options(-msse2 -mfpmath=sse)
  endif()
else()
  add_compile_options(/fp:precise)
endif()

option(VELMORA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(VELMORA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
