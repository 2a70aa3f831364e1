vt_test(NAME test_dialogs SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_dialogs.cpp ${CMAKE_CURRENT_LIST_DIR}/test_dialogs_lang.cpp
        LIBS vt_dialogs LABELS ui)
