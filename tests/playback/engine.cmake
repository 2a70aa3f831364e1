# GStreamer engine tests on clips generated at test time.
vt_test(NAME test_gst_engine
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/test_gst_engine.cpp
  LIBS vt_gstengine vt_gsttestmedia vtcore
  LABELS engine)

# Frame steps and fast playback of the GStreamer engine.
vt_test(NAME test_gst_steps
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/test_gst_steps.cpp
  LIBS vt_gstengine vt_gsttestmedia
  LABELS engine)
