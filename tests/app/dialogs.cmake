vt_test(NAME test_dialogs
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_dialogs.cpp ${CMAKE_CURRENT_LIST_DIR}/test_dialogs_lang.cpp
                ${CMAKE_CURRENT_LIST_DIR}/test_dialogs_res.cpp
        LIBS vt_dialogs vt_resdraw LABELS ui)
target_compile_definitions(test_dialogs PRIVATE "VT_TEST_RESOURCE_DIR=\"${VT_RESOURCE_DIR}\"")
add_dependencies(test_dialogs vt_resources)

# For screenshots under Xvfb (not a test).
add_executable(vt_dialogs_demo ${CMAKE_CURRENT_LIST_DIR}/dialogs_demo.cpp)
vt_warnings(vt_dialogs_demo)
target_link_libraries(vt_dialogs_demo PRIVATE vt_dialogs vt_browser)
set_target_properties(vt_dialogs_demo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
