# The libFuzzer targets (tests/fuzz), built with clang as a project of their
# own when the machine has clang with libFuzzer; nothing else needs clang.
# They land beside the programs as krel_fuzz_<name>; tests/fuzz/run.sh runs
# one from its seed corpus (make fuzz, and briefly ctest).
find_program(KREL_CLANGXX NAMES clang++ clang++-16 clang++-15 clang++-14)
if(KREL_CLANGXX AND NOT DEFINED KREL_FUZZ_OK)
  file(WRITE ${CMAKE_BINARY_DIR}/fuzz_probe.cpp
       "#include <cstdint>\n#include <cstddef>\nextern \"C\" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }\n")
  execute_process(COMMAND ${KREL_CLANGXX} -fsanitize=fuzzer ${CMAKE_BINARY_DIR}/fuzz_probe.cpp
                          -o ${CMAKE_BINARY_DIR}/fuzz_probe
                  RESULT_VARIABLE fuzz_probe_result OUTPUT_QUIET ERROR_QUIET)
  if(fuzz_probe_result EQUAL 0)
    set(KREL_FUZZ_OK ON CACHE INTERNAL "clang with libFuzzer works")
  else()
    set(KREL_FUZZ_OK OFF CACHE INTERNAL "clang with libFuzzer works")
  endif()
endif()

set(KREL_FUZZ_TARGETS session arms level batch list)
if(KREL_FUZZ_OK AND TARGET krel_resources)
  include(ExternalProject)
  # The same compiler cache as the main build (a list, passed with | between
  # its words).
  string(REPLACE ";" "|" fuzz_launcher "${CMAKE_CXX_COMPILER_LAUNCHER}")
  ExternalProject_Add(krel_fuzzers
    SOURCE_DIR ${CMAKE_SOURCE_DIR}/tests/fuzz
    BINARY_DIR ${CMAKE_BINARY_DIR}/fuzz
    LIST_SEPARATOR |
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${KREL_CLANGXX} -DCMAKE_BUILD_TYPE=
               -DCMAKE_CXX_COMPILER_LAUNCHER=${fuzz_launcher}
               -DKREL_ROOT=${CMAKE_SOURCE_DIR}
               -DKREL_RESOURCES_CPP=${CMAKE_BINARY_DIR}/data/content/resources.cpp
               -DKREL_FUZZ_OUT=${CMAKE_BINARY_DIR}
    INSTALL_COMMAND ""
    DEPENDS krel_resources)
  # Built once, and again only when a source it compiles changed: not a
  # whole sub-build started on every build of the tests.
  set(fuzz_inputs)
  foreach(dir tests/fuzz protocol server list gfx client platform tools/krel-content)
    file(GLOB_RECURSE dir_inputs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h)
    list(APPEND fuzz_inputs ${dir_inputs})
  endforeach()
  # tools/krel-content makes resources.cpp, which the fuzzers compile.
  list(FILTER fuzz_inputs EXCLUDE REGEX ".*/platform/sdl/.*")
  ExternalProject_Add_StepDependencies(krel_fuzzers build ${fuzz_inputs} ${CMAKE_SOURCE_DIR}/tests/fuzz/CMakeLists.txt)
endif()
