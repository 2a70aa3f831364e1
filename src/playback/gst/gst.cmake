# GStreamer media engine and the generator of test clips (used by tests, benchmark and demo).
add_library(vt_gstengine STATIC ${CMAKE_CURRENT_LIST_DIR}/gst_engine.cpp ${CMAKE_CURRENT_LIST_DIR}/gst_engine_frames.cpp
            ${CMAKE_CURRENT_LIST_DIR}/gst_engine_sync.cpp
            ${CMAKE_CURRENT_LIST_DIR}/frame_pack.cpp
            ${CMAKE_CURRENT_LIST_DIR}/frame_reader.cpp ${CMAKE_CURRENT_LIST_DIR}/decode_pacer.cpp)
vt_warnings(vt_gstengine)
target_include_directories(vt_gstengine PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(vt_gstengine PUBLIC vt_playcore PkgConfig::GST)

add_library(vt_gsttestmedia STATIC ${CMAKE_CURRENT_LIST_DIR}/test_media.cpp)
vt_warnings(vt_gsttestmedia)
target_include_directories(vt_gsttestmedia PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(vt_gsttestmedia PUBLIC vt_playcore PkgConfig::GST)

add_executable(vt_make_clip ${CMAKE_CURRENT_LIST_DIR}/make_clip_main.cpp)
vt_warnings(vt_make_clip)
target_link_libraries(vt_make_clip PRIVATE vt_gsttestmedia)
