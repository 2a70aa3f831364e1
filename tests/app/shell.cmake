vt_test(NAME test_shell_core SOURCES test_shell_core.cpp LIBS vtcore)
