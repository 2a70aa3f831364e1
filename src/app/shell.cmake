# Application shell: the recorder link, command line and installation paths (plain C++), then
# the application object (Qt).
vt_core_library(NAME vt_shellcore SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/recorder_link.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/command_line.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/app_paths.cpp)
