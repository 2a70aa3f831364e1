# The built-in string table (core) and the identity stamp block of our executables.
vt_core_library(NAME vt_res SOURCES ${CMAKE_CURRENT_LIST_DIR}/strings.cpp)

# Not part of vtcore: only executables that ask for it carry a stamp.
add_library(vt_stamp OBJECT ${CMAKE_CURRENT_LIST_DIR}/stamp_block.cpp)
vt_warnings(vt_stamp)
target_include_directories(vt_stamp PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_compile_definitions(vt_stamp PRIVATE "VT_PRODUCT_CODE=\"${VT_PRODUCT_CODE}\"")

# vt_stamp_executable(target): puts the identity stamp block into the executable target.
function(vt_stamp_executable target)
  target_link_libraries(${target} PRIVATE vt_stamp)
endfunction()
