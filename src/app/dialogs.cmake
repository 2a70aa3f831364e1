# Login, About box, message boxes and their shared helpers (Qt).
add_library(vt_dialogs STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ui_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialog_units.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/login_dlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/about_dlg.cpp)
vt_warnings(vt_dialogs)
target_include_directories(vt_dialogs PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/src)
target_link_libraries(vt_dialogs PUBLIC vt_skin vtcore Qt6::Core Qt6::Gui Qt6::Widgets)
