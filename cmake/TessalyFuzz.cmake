# Fuzzing of the plug-ins' readers with libFuzzer.
#
# A fuzzing build is its own build tree, build-fuzz/, configured with clang and
# -DTESSALY_FUZZ=ON (`make fuzz` does that, and `make check` runs it). In it every unit is
# instrumented for coverage and built with AddressSanitizer and UndefinedBehaviorSanitizer, and
# the target `fuzzers` builds every declared fuzzer. Other builds ignore the declarations.
#
# tessaly_add_reader_fuzzer(<name> PLUGIN <PluginName> [SOURCES <file>...] [SECONDS <n>])
#
#   Declares the fuzzer fuzz_<name> for the reader of plug-in <PluginName> (made with
#   tessaly_add_plugin). By default its harness is fuzz/plugin_reader_fuzzer.cpp, which hands
#   each input to GetPlugStruct as a stream in memory and, when the plug-in takes it, goes
#   through the whole reading order (OpenImage, EnumImageInfo, StartReadImage, ReadRows in
#   bands of 32, CloseImage); SOURCES replaces that harness with one of its own. The seed
#   corpus is fuzz/<name>_corpus/ (may be missing); inputs the fuzzer finds go to
#   build-fuzz/corpus/<name>/, never into the source tree. `make fuzz` runs the fuzzer for
#   SECONDS seconds (default FUZZ_SECONDS of the Makefile, 20); `make fuzz-long` runs each one
#   for FUZZ_LONG_SECONDS (300), keeping the corpus it grows under build-fuzz/corpus/.
#
# In the fuzzing build TESSALY_FUZZING is defined: the PNG reader then uses data whose CRC or
# Adler-32 checksum is wrong instead of refusing it, so mutations reach the decoder behind the
# checksums. The other formats keep no checksums; their readers need no such switch.
#
# The list of declared fuzzers is written to build-fuzz/fuzzers.txt, one per line:
#   <name> <executable> <seed corpus folder> <seconds or "default">
option(TESSALY_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

if(TESSALY_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TESSALY_FUZZ needs clang (configure with -DCMAKE_CXX_COMPILER=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  # Readers skip checks that only reject mutated input (checksums) when this is defined; no
  # other build defines it.
  add_compile_definitions(TESSALY_FUZZING)
  add_custom_target(fuzzers)
endif()

set(TESSALY_FUZZ_HARNESS ${PROJECT_SOURCE_DIR}/fuzz/plugin_reader_fuzzer.cpp)

function(tessaly_add_reader_fuzzer name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "PLUGIN;SECONDS" "SOURCES")
  if(NOT arg_PLUGIN)
    message(FATAL_ERROR "tessaly_add_reader_fuzzer(${name}): PLUGIN is required")
  endif()
  if(NOT TESSALY_FUZZ)
    return()
  endif()
  if(NOT arg_SOURCES)
    set(arg_SOURCES ${TESSALY_FUZZ_HARNESS})
  endif()
  if(NOT arg_SECONDS)
    set(arg_SECONDS default)
  endif()
  add_executable(fuzz_${name} ${arg_SOURCES})
  target_link_libraries(fuzz_${name} PRIVATE ${arg_PLUGIN}_objects plugin_memory_stream)
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  add_dependencies(fuzzers fuzz_${name})
  set_property(GLOBAL APPEND PROPERTY TESSALY_FUZZERS
    "${name} $<TARGET_FILE:fuzz_${name}> ${PROJECT_SOURCE_DIR}/fuzz/${name}_corpus ${arg_SECONDS}")
endfunction()

# Writes fuzzers.txt once every folder has declared its fuzzers.
function(_tessaly_write_fuzzer_list)
  get_property(entries GLOBAL PROPERTY TESSALY_FUZZERS)
  list(JOIN entries "\n" text)
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/fuzzers.txt CONTENT "${text}\n")
endfunction()
if(TESSALY_FUZZ)
  cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL _tessaly_write_fuzzer_list)
endif()
