# Playback core (no Qt, no GStreamer): RIFF reader, record information, event list and jumps,
# the Player's arithmetic, the media engine interface and its scripted fake.
vt_core_library(NAME vt_playcore SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/riff_reader.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/avi_header.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/event_list.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/record_info.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/vant_writer.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/event_nav.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/player_logic.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/engine_errors.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/fake_media_engine.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/player_core.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/frame_paint.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/frame_cache.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/frame_move.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/rate_watch.cpp)

if(NOT VT_CORE_ONLY)
  include(${CMAKE_CURRENT_SOURCE_DIR}/gst/gst.cmake OPTIONAL)
endif()

if(NOT VT_CORE_ONLY AND TARGET vt_gstengine AND TARGET vt_seekbar)
  # The Player window on Qt.
  add_library(vt_playerwnd STATIC ${CMAKE_CURRENT_SOURCE_DIR}/player_wnd.cpp)
  vt_warnings(vt_playerwnd)
  target_include_directories(vt_playerwnd PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/src)
  target_link_libraries(vt_playerwnd PUBLIC vt_gstengine vt_seekbar vt_skin vt_uibase vt_dialogs vt_res vt_displaycore Qt6::Widgets)
endif()
