# Coverage-guided fuzzing. Each target is one source file that defines
# LLVMFuzzerTestOneInput over a reader of untrusted bytes.
#
# With ORLAVO_FUZZ (a clang build folder of its own, normally build-fuzz) the
# whole tree is instrumented and each target links libFuzzer's main:
#   fuzz-<name> tests/fuzz/corpus/<name>
# In the normal build the same source links a replay main instead, and ctest
# feeds it every committed seed and crash case of the target.

option(ORLAVO_FUZZ "Build the libFuzzer targets (clang only)" OFF)

set(ORLAVO_FUZZ_DIR ${PROJECT_SOURCE_DIR}/tests/fuzz)

if(ORLAVO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ORLAVO_FUZZ needs clang (CXX=clang++)")
  endif()
  if(ORLAVO_SANITIZE)
    message(FATAL_ERROR "ORLAVO_FUZZ brings its own sanitizers; leave ORLAVO_SANITIZE empty")
  endif()
  set(ORLAVO_FUZZ_SANITIZERS address,undefined)
  add_compile_options(-fsanitize=fuzzer-no-link,${ORLAVO_FUZZ_SANITIZERS}
                      -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${ORLAVO_FUZZ_SANITIZERS})
  add_custom_target(fuzz-all)
endif()

# orlavo_add_fuzz_target(NAME SOURCE file.cpp LIBS lib...)
function(orlavo_add_fuzz_target name)
  cmake_parse_arguments(ARG "" "SOURCE" "LIBS" ${ARGN})
  if(ORLAVO_FUZZ)
    add_executable(fuzz-${name} ${ARG_SOURCE})
    target_link_options(fuzz-${name} PRIVATE -fsanitize=fuzzer)
    set(target fuzz-${name})
    add_dependencies(fuzz-all fuzz-${name})
  elseif(ORLAVO_BUILD_TESTS)
    add_executable(fuzz-replay-${name} ${ARG_SOURCE} ${ORLAVO_FUZZ_DIR}/targets/ReplayMain.cpp)
    set(target fuzz-replay-${name})
    add_test(NAME FuzzReplay.${name}
             COMMAND fuzz-replay-${name} ${ORLAVO_FUZZ_DIR}/corpus/${name}
                     ${ORLAVO_FUZZ_DIR}/regressions/${name})
    set_tests_properties(FuzzReplay.${name} PROPERTIES LABELS core)
    add_dependencies(orlavo_core_tests fuzz-replay-${name})
  else()
    return()
  endif()
  target_link_libraries(${target} PRIVATE ${ARG_LIBS})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()
