# Benchmarks as CTest tests under the label "bench": `scripts/bench` runs them all (one at a time,
# since they time the machine), `scripts/test` leaves them out (ctest -LE bench). A benchmark
# exits non-zero when a goal it prints is not met (bench/common, CGoals).
#
#   vt_benchmark(NAME bench_x SOURCES a.cpp b.cpp [LIBS lib...] [ARGS arg...] [TIMEOUT seconds]
#                [ENVIRONMENT VAR=value...])
#
# builds bench_x next to the programs and registers "bench_x" running it with ARGS.
function(vt_benchmark)
  cmake_parse_arguments(B "" "NAME;TIMEOUT" "SOURCES;LIBS;ARGS;ENVIRONMENT" ${ARGN})
  add_executable(${B_NAME} ${B_SOURCES})
  vt_warnings(${B_NAME})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} vt_bench_common)
  if(NOT B_TIMEOUT)
    set(B_TIMEOUT 1800)
  endif()
  add_test(NAME ${B_NAME} COMMAND ${B_NAME} ${B_ARGS})
  set_tests_properties(${B_NAME} PROPERTIES LABELS bench RUN_SERIAL TRUE TIMEOUT ${B_TIMEOUT})
  if(B_ENVIRONMENT)
    set_tests_properties(${B_NAME} PROPERTIES ENVIRONMENT "${B_ENVIRONMENT}")
  endif()
endfunction()
