# `cpack -G DEB` in the build folder makes a Debian package of what cmake/install.cmake installs.
# The libraries the programs link come from dpkg-shlibdeps; what they load at run time without
# linking it (the Qt SQLite driver, Qt's Chinese texts, a font that has the Chinese characters)
# is named here.

set(CPACK_PACKAGE_NAME reelshelf-index)
set(CPACK_PACKAGE_VENDOR "The ReelShelf Index developers")
set(CPACK_PACKAGE_CONTACT "ReelShelf Index developers <maintainers@reelshelf.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "catalogue of a movie collection kept on discs")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://reelshelf.example.org/")
set(CPACK_PACKAGE_INSTALL_DIRECTORY reelshelf-index)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without the driver the program cannot open any catalogue; without a CJK font every text is boxes.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6sql6-sqlite, fonts-wqy-microhei | fonts-noto-cjk | fonts-wqy-zenhei")
# Only the standard buttons and Qt's own dialogs stay in English without it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
# CPack adds the summary as the first line and indents the rest the way Debian wants.
set(CPACK_PACKAGE_DESCRIPTION "ReelShelf Index keeps a catalogue of a private movie collection on
burned discs, hard disks and removable media: discs with their number, name,
kind and condition, movies with their titles, genres, languages, score,
introduction and poster. It browses, searches and exports the catalogue (text
list or Excel workbook) and imports a whole disc through a wizard.

The interface is in Simplified Chinese. The package holds the desktop program
reelshelf and the command-line companion reelshelf-cli.")

include(CPack)
