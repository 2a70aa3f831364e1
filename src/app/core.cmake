# Application core without Qt: the product identity stamp and the localized-text look-ups.
vt_core_library(NAME vt_appcore
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/product_stamp.cpp ${CMAKE_CURRENT_LIST_DIR}/lang_text.cpp
  DEPS vt_platform vt_res)
