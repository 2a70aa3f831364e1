# The seek bar: its arithmetic in the core, the control on Qt.
vt_core_library(NAME vt_seekbarcore SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/seek_bar_geometry.cpp)

if(NOT VT_CORE_ONLY)
  add_library(vt_seekbar STATIC ${CMAKE_CURRENT_SOURCE_DIR}/seek_bar.cpp)
  vt_warnings(vt_seekbar)
  target_link_libraries(vt_seekbar PUBLIC vt_skin vt_seekbarcore)
endif()
