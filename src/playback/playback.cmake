# Playback core (no Qt, no GStreamer): RIFF reader, record information, event list and jumps,
# the Player's arithmetic, the media engine interface and its scripted fake.
vt_core_library(NAME vt_playcore SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/riff_reader.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/event_list.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/record_info.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/vant_writer.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/event_nav.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/player_logic.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/engine_errors.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/fake_media_engine.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/player_core.cpp)

if(NOT VT_CORE_ONLY)
  include(${CMAKE_CURRENT_SOURCE_DIR}/gst/gst.cmake OPTIONAL)
endif()
