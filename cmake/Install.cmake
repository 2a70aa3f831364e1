# cmake --install: programs in bin/, the resource folder in share/vtplayer/ (where an installed
# vtplayer looks for it), a desktop entry and the icon.
include(GNUInstallDirs)
foreach(t vtplayer vtdb vtrecorder vtdemo vtexport)
  if(TARGET ${t})
    install(TARGETS ${t} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
install(DIRECTORY ${VT_RESOURCE_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vtplayer
        FILES_MATCHING PATTERN "*.bmp" PATTERN "*.pdf" PATTERN "*.md" PATTERN "*.png" PATTERN "*ini")
install(FILES ${PROJECT_SOURCE_DIR}/dist/vtplayer.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VT_RESOURCE_DIR}/vtplayer.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps
        OPTIONAL)
