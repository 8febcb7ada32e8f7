# What `cmake --install` puts under the prefix: the two programs and their helper, the defaults a new data folder is
# completed from, and the files that make the program a desktop application (menu entry, icons,
# software-centre metadata).

install(TARGETS reelshelf reelshelf-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Both programs start it to read old catalogues (.mdb); they look for it relative to their folder.
install(TARGETS reelshelf-mdbread reelshelf-probe RUNTIME DESTINATION ${REELSHELF_MDBREAD_DESTINATION})

set(_data ${PROJECT_SOURCE_DIR}/resources/data)
install(FILES ${_data}/RSISet.ini ${_data}/help.html DESTINATION ${REELSHELF_DEFAULTS_DESTINATION})
install(FILES ${_data}/Posters/00.jpg DESTINATION ${REELSHELF_DEFAULTS_DESTINATION}/Posters)
# The help's pictures, as tools/screenshots.sh left them.
file(GLOB _helpPictures CONFIGURE_DEPENDS ${_data}/Help/*.png)
install(FILES ${_helpPictures} DESTINATION ${REELSHELF_DEFAULTS_DESTINATION}/Help)
# The stars' copies for screens scaled by two go only to folders whose stars are still these.
install(FILES ${_data}/Temp/goldstar.gif ${_data}/Temp/graystar.gif
  ${_data}/Temp/goldstar@2x.gif ${_data}/Temp/graystar@2x.gif
  DESTINATION ${REELSHELF_DEFAULTS_DESTINATION}/Temp)

set(_desktop ${PROJECT_SOURCE_DIR}/resources/desktop)
install(FILES ${_desktop}/${REELSHELF_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The release line follows the project version.
configure_file(${_desktop}/${REELSHELF_APP_ID}.metainfo.xml.in
  ${PROJECT_BINARY_DIR}/${REELSHELF_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${REELSHELF_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

foreach(_size 16 22 24 32 48 64 128 256)
  install(FILES ${_desktop}/icons/${REELSHELF_APP_ID}-${_size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
    RENAME ${REELSHELF_APP_ID}.png)
endforeach()
install(FILES ${_desktop}/icons/${REELSHELF_APP_ID}.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
