# Application shell: the recorder link, command line and installation paths (plain C++), then
# the application object (Qt).
vt_core_library(NAME vt_shellcore SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/recorder_link.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/single_instance.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/command_line.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/app_paths.cpp)
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/command_line.cpp PROPERTIES
  COMPILE_DEFINITIONS "VT_VERSION=\"${PROJECT_VERSION}\"")

if(NOT VT_CORE_ONLY)
  add_library(vt_shell STATIC ${CMAKE_CURRENT_SOURCE_DIR}/vant_player_app.cpp)
  vt_warnings(vt_shell)
  target_include_directories(vt_shell PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/src)
  target_link_libraries(vt_shell PUBLIC vt_frame vt_playerwnd vt_snapshot_ui vt_demo vt_dialogs vtcore PkgConfig::GST Qt6::Widgets)
endif()
