# The Debian package of the whole product: `cpack -G DEB` in the build folder makes
# tarnmedia_<version>_<arch>.deb. Programs, filter libraries with the machine's registry that
# names them (/etc/xdg/tarnmedia/filters.ini), help, icons and desktop entries; libraries the
# programs and filter libraries link (libpulse0 for the preview's sound, libass9 for text
# subtitles) are found by dpkg-shlibdeps, the Qt plug-ins and translations they load at run
# time are named here.
set(CPACK_PACKAGE_NAME tarnmedia)
set(CPACK_PACKAGE_VENDOR "Tarn Media")
set(CPACK_PACKAGE_CONTACT "Tarn Media for Linux <tarnmedia@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "DVD to handheld movie converter (tarnconv) and picture tool (picfit)")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-wqy-zenhei | fonts-noto-cjk")
set(CPACK_STRIP_FILES ON)
# Only the product: no test or benchmark component.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};ALL;/")
include(CPack)
