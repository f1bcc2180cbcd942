# Installation and the Debian package: `cmake --install <build dir>` and `cpack -G DEB`.
#
# The package holds the window (bin/corvane), its desktop entry and its icon in every size the
# desktop asks for. Runtime dependencies are found by dpkg-shlibdeps from the binaries.

if(CORVANE_BUILD_UI)
  install(TARGETS corvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/resources/corvane.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size 16 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/corvane-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME corvane.png)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/corvane.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_CONTACT "Corvane Developers <dev@corvane.local>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Stand-in for a monitoring station's automation software towards alarm receivers")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Corvane answers (ACK, NACK or custom), decodes, counts and logs the automation messages of an "
  "alarm receiver: Sur-Gard (MLR2000 and MLR2 formats) as TCP client or server, and SIA-DCS "
  "(DC-09 frames) as TCP server.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvane Developers <dev@corvane.local>")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its display plugins at run time, where dpkg-shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The log box shows control bytes as Unicode control pictures; Symbola has their glyphs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-symbola")
include(CPack)
