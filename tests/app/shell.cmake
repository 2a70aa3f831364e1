vt_test(NAME test_shell_core SOURCES test_shell_core.cpp LIBS vtcore)
find_package(Qt6 REQUIRED COMPONENTS Core)
vt_test(NAME test_shell_start SOURCES test_shell_start.cpp LIBS vtcore Qt6::Core LABELS e2e)
target_compile_definitions(test_shell_start PRIVATE VT_PLAYER_EXE="$<TARGET_FILE:vtplayer>"
                                                    VT_PRODUCT_CODE="${VT_PRODUCT_CODE}")
add_dependencies(test_shell_start vtplayer)
