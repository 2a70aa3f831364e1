# The seek bar: its arithmetic (core) and the control rendered offscreen.
vt_test(NAME test_seek_bar_geometry SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/test_seek_bar_geometry.cpp
        LIBS vt_seekbarcore LABELS skin)
if(NOT VT_CORE_ONLY)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Test)
  vt_test(NAME test_seek_bar SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/test_seek_bar.cpp
          LIBS vt_seekbar vt_skin_fixture Qt6::Test LABELS skin)
endif()
