# Core tests of src/playback (no display, no decoder).
vt_test(NAME test_playcore
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/test_record_info.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/test_event_nav.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/test_player_logic.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/test_player_core.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/test_frame_paint.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/test_frame_steps.cpp
  LIBS vt_playcore)

if(NOT VT_CORE_ONLY AND TARGET vt_gstengine)
  include(${CMAKE_CURRENT_SOURCE_DIR}/engine.cmake OPTIONAL)
endif()

if(TARGET vt_playerwnd)
  vt_test(NAME test_player_wnd
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/test_player_wnd.cpp
    LIBS vt_playerwnd vt_gsttestmedia
    LABELS engine widget)
  target_compile_definitions(test_player_wnd PRIVATE VT_TEST_RESOURCE_DIR="${VT_RESOURCE_DIR}")
  add_dependencies(test_player_wnd vt_skin_files)
  # Picture, time, seek bar and snapshot of the paused Player on generated clips.
  vt_test(NAME test_player_sync
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/test_player_sync.cpp
    LIBS vt_playerwnd vt_gsttestmedia vtcore
    LABELS engine widget)
  target_compile_definitions(test_player_sync PRIVATE VT_TEST_RESOURCE_DIR="${VT_RESOURCE_DIR}")
  add_dependencies(test_player_sync vt_skin_files)
endif()
