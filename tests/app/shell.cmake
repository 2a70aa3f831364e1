find_package(Qt6 REQUIRED COMPONENTS Core)
vt_test(NAME test_shell_start SOURCES test_shell_start.cpp LIBS vtcore Qt6::Core LABELS e2e)
target_compile_definitions(test_shell_start PRIVATE VT_PLAYER_EXE="$<TARGET_FILE:vtplayer>"
                                                    VT_PRODUCT_CODE="${VT_PRODUCT_CODE}"
                                                    VT_VERSION_DATE="${VT_VERSION_DATE}"
                                                    VT_VERSION="${PROJECT_VERSION}")
add_dependencies(test_shell_start vtplayer)
if(TARGET vt_shell)
  vt_test(NAME test_shell_login SOURCES test_shell_login.cpp LIBS vt_shell Qt6::Test LABELS e2e)
  set_target_properties(test_shell_login PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VT_RESOURCE_DIR})
  add_dependencies(test_shell_login vt_resources vt_skin_files)
endif()
