# The input decoder of promptloom, built from its source alone: it is pure code. Address and
# undefined-behaviour checks ride along, so an out-of-bounds write into the 64-byte buffer is
# caught even where the oracle would not see it.
vm_add_fuzzer(plm_decoder_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/plm_decoder_fuzz.cc ${CMAKE_SOURCE_DIR}/promptloom/src/decoder.cc)
target_include_directories(plm_decoder_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/promptloom/include
                                                   ${CMAKE_SOURCE_DIR}/promptloom/src)
target_compile_options(plm_decoder_fuzz PRIVATE -fsanitize=address,undefined -fno-sanitize-recover=all)
target_link_options(plm_decoder_fuzz PRIVATE -fsanitize=address,undefined)

# The line editor: random key sequences with history and a completion callback. Its heap comes
# from the real platform of the library; the editor itself is compiled here with the checks.
vm_add_fuzzer(plm_line_editor_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/plm_line_editor_fuzz.cc ${CMAKE_SOURCE_DIR}/promptloom/src/line_editor.cc
  LIBS promptloom_core)
target_compile_options(plm_line_editor_fuzz PRIVATE -fsanitize=address,undefined -fno-sanitize-recover=all)
target_link_options(plm_line_editor_fuzz PRIVATE -fsanitize=address,undefined)
