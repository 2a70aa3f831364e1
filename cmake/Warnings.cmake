# Warnings on our own targets. Warnings as errors only when asked for (CI turns it on): a
# user's or packager's compiler may warn where ours does not, and must still build.
option(VT_WERROR "Treat compiler warnings as errors" OFF)

function(vt_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(VT_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# A GoogleTest executable registered with CTest. Usage:
#   vt_test(NAME name SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS l])
function(vt_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  vt_warnings(${T_NAME})
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # Tests run (and are listed) through env so that widget tests use the offscreen platform and
  # the media engine a silent audio sink.
  set_target_properties(${T_NAME} PROPERTIES
    CROSSCOMPILING_EMULATOR "/usr/bin/env;QT_QPA_PLATFORM=offscreen;VT_AUDIO_SINK=fakesink")
  if(T_LABELS)
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${T_LABELS}")
  else()
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
