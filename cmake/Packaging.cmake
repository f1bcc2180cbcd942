# Installation and the Debian package: `cmake --install <build dir>` and `cpack -G DEB`.
#
# The package holds the three programs (corvane, corvane-receiver, corvane-station), a manual page
# for each (written in scdoc under docs/man, turned into roff at build time), the window's desktop
# entry, AppStream metadata and icons, the systemd unit template of corvane-station, and the
# Debian copyright and changelog. The maintainer address is a placeholder (the reserved .example
# domain) until the project has a public one. Runtime dependencies are found by dpkg-shlibdeps from the
# binaries. `lintian` passes it with no error and no warning (CI checks).

find_program(SCDOC_PROGRAM scdoc REQUIRED)
find_program(GZIP_PROGRAM gzip REQUIRED)

set(CORVANE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/corvane)
set(corvane_packaging_dir ${CMAKE_CURRENT_BINARY_DIR}/packaging)

# Compressed as Debian wants: the best compression, no name or time stamp inside.
function(corvane_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND ${GZIP_PROGRAM} -9nc ${source} > ${output}
    DEPENDS ${source} VERBATIM)
endfunction()

set(corvane_generated "")
foreach(page corvane corvane-receiver corvane-station)
  set(roff ${corvane_packaging_dir}/${page}.1)
  add_custom_command(OUTPUT ${roff}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${corvane_packaging_dir}
    COMMAND ${SCDOC_PROGRAM} < ${PROJECT_SOURCE_DIR}/docs/man/${page}.1.scd > ${roff}
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page}.1.scd VERBATIM)
  corvane_gzip(${roff} ${roff}.gz)
  list(APPEND corvane_generated ${roff}.gz)
  if(page STREQUAL "corvane" AND NOT CORVANE_BUILD_UI)
    continue()
  endif()
  install(FILES ${roff}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
corvane_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog ${corvane_packaging_dir}/changelog.Debian.gz)
list(APPEND corvane_generated ${corvane_packaging_dir}/changelog.Debian.gz)
add_custom_target(corvane_docs ALL DEPENDS ${corvane_generated})

install(FILES ${corvane_packaging_dir}/changelog.Debian.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CORVANE_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/station.conf DESTINATION ${CORVANE_DOC_DIR}/examples)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME corvane)
# Debian 12 keeps system units under /lib.
install(FILES "${PROJECT_SOURCE_DIR}/packaging/corvane-station@.service"
        DESTINATION /lib/systemd/system)

if(CORVANE_BUILD_UI)
  install(TARGETS corvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/resources/corvane.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/corvane.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME local.corvane.Corvane.metainfo.xml)
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
set(CPACK_PACKAGE_CONTACT "Corvane Developers <dev@corvane.example>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "stand-in for alarm monitoring automation software towards receivers")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Corvane answers (ACK, NACK or custom), decodes, counts and logs the automation\n"
  "messages of an alarm receiver: Sur-Gard (MLR2000 and MLR2 formats) as TCP\n"
  "client or server, and SIA-DCS (DC-09 frames) as TCP server.\n"
  "\n"
  "The package holds the window (corvane), the same station without a window for\n"
  "test rigs and services (corvane-station, with a systemd unit template) and a\n"
  "receiver simulator (corvane-receiver).")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A Debian revision: the package carries changelog.Debian.gz, as a non-native package does.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvane Developers <dev@corvane.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its display plugins at run time, where dpkg-shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The log box shows control bytes as Unicode control pictures; Symbola has their glyphs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-symbola")
include(CPack)
