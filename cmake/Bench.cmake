# Benchmarks as CTest tests under the label "bench": `scripts/bench` runs them all (one at a time,
# since they time the machine), `scripts/test` leaves them out (ctest -LE bench). A benchmark
# exits non-zero when a goal it prints is not met (bench/common, CGoals).
#
#   vt_benchmark(NAME bench_x SOURCES a.cpp b.cpp [LIBS lib...] [ARGS arg...] [TIMEOUT seconds]
#                [ENVIRONMENT VAR=value...])
#
# builds bench_x next to the programs and registers "bench_x" running it with ARGS.
function(vt_benchmark_test name timeout)
  add_test(NAME ${name} COMMAND ${name} ${ARGN})
  set_tests_properties(${name} PROPERTIES LABELS bench RUN_SERIAL TRUE TIMEOUT ${timeout})
  set_property(GLOBAL APPEND PROPERTY VT_BENCH_TESTS ${name})
endfunction()

# Registers, with their default arguments, the bench_* programs of folder that were built with
# a plain add_executable, so that the label covers every benchmark.
function(vt_benchmark_register_rest folder)
  get_property(registered GLOBAL PROPERTY VT_BENCH_TESTS)
  get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t ${targets})
    if(t MATCHES "^bench_" AND NOT t IN_LIST registered)
      get_target_property(type ${t} TYPE)
      if(type STREQUAL "EXECUTABLE")
        vt_benchmark_test(${t} 1800)
      endif()
    endif()
  endforeach()
endfunction()

function(vt_benchmark)
  cmake_parse_arguments(B "" "NAME;TIMEOUT" "SOURCES;LIBS;ARGS;ENVIRONMENT" ${ARGN})
  add_executable(${B_NAME} ${B_SOURCES})
  vt_warnings(${B_NAME})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} vt_bench_common)
  if(NOT B_TIMEOUT)
    set(B_TIMEOUT 1800)
  endif()
  vt_benchmark_test(${B_NAME} ${B_TIMEOUT} ${B_ARGS})
  if(B_ENVIRONMENT)
    set_tests_properties(${B_NAME} PROPERTIES ENVIRONMENT "${B_ENVIRONMENT}")
  endif()
endfunction()
