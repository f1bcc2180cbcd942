# Installation and the Debian packages: `cmake --install <build dir>` and `cpack -G DEB`.
#
# Two binary packages from one source, one per install component:
# - corvane-station (component "station"): corvane-station and corvane-receiver, their manual
#   pages and the systemd unit template of corvane-station. It needs no Qt, so a headless rig
#   installs it alone.
# - corvane (component "window"): the window with its manual page, desktop entry, AppStream
#   metadata and icons. It recommends corvane-station of the same version rather than depending
#   on it: the window links the same core and never starts the other programs, so a desktop may
#   leave the service template out, while an ordinary install still gets all three programs, as
#   the single package of earlier versions held them.
# Manual pages are written in scdoc under docs/man and turned into roff at build time. Each
# package carries the Debian copyright and changelog. The maintainer address is a placeholder (the
# reserved .example domain) until the project has a public one. Runtime dependencies are found by
# dpkg-shlibdeps from the binaries. scripts/check-package.sh holds both packages to lintian with no
# error, no warning and no hardening tag (CI checks).

find_program(SCDOC_PROGRAM scdoc REQUIRED)
find_program(GZIP_PROGRAM gzip REQUIRED)

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
  if(page STREQUAL "corvane")
    if(CORVANE_BUILD_UI)
      install(FILES ${roff}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT window)
    endif()
  else()
    install(FILES ${roff}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT station)
  endif()
endforeach()
corvane_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog ${corvane_packaging_dir}/changelog.Debian.gz)
list(APPEND corvane_generated ${corvane_packaging_dir}/changelog.Debian.gz)
add_custom_target(corvane_docs ALL DEPENDS ${corvane_generated})

# Debian wants the copyright and changelog in every package's own documentation folder.
function(corvane_package_docs package component)
  install(FILES ${corvane_packaging_dir}/changelog.Debian.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endfunction()

corvane_package_docs(corvane-station station)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/station.conf ${PROJECT_SOURCE_DIR}/packaging/corvane-grafana.json
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/corvane-station/examples COMPONENT station)
# Debian 12 keeps system units under /lib.
install(FILES "${PROJECT_SOURCE_DIR}/packaging/corvane-station@.service"
        DESTINATION /lib/systemd/system COMPONENT station)

if(CORVANE_BUILD_UI)
  corvane_package_docs(corvane window)
  install(TARGETS corvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT window)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/corvane.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT window)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/corvane.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME local.corvane.Corvane.metainfo.xml
          COMPONENT window)
  foreach(size 16 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/corvane-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME corvane.png COMPONENT window)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/corvane.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT window)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
if(CORVANE_BUILD_UI)
  set(CPACK_COMPONENTS_ALL station window)
else()
  set(CPACK_COMPONENTS_ALL station)
endif()
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_CONTACT "Corvane Developers <dev@corvane.example>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Debian revision: the packages carry changelog.Debian.gz, as non-native packages do.
set(CPACK_DEBIAN_PACKAGE_RELEASE 2)
set(corvane_deb_version ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvane Developers <dev@corvane.example>")
set(CPACK_DEBIAN_PACKAGE_SOURCE corvane)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
string(CONCAT corvane_deb_about
  "Corvane answers (ACK, NACK or custom), decodes, counts and logs the automation\n"
  "messages of an alarm receiver: Sur-Gard (MLR2000 and MLR2 formats) as TCP\n"
  "client or server, and SIA-DCS (DC-09 frames) as TCP server.\n"
  "\n")

set(CPACK_DEBIAN_STATION_PACKAGE_NAME corvane-station)
string(CONCAT CPACK_DEBIAN_STATION_DESCRIPTION
  "alarm receiver automation stand-in for test rigs and services\n"
  "${corvane_deb_about}"
  "This package holds the station without a window (corvane-station), with a\n"
  "systemd unit template for running it as a service, and a receiver simulator\n"
  "(corvane-receiver). It needs no graphical libraries.")
# Both programs and the unit were in the corvane package until it was split at this version.
set(CPACK_DEBIAN_STATION_PACKAGE_BREAKS "corvane (<< 1.0.0.1-2)")
set(CPACK_DEBIAN_STATION_PACKAGE_REPLACES "corvane (<< 1.0.0.1-2)")

set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME corvane)
string(CONCAT CPACK_DEBIAN_WINDOW_DESCRIPTION
  "stand-in for alarm monitoring automation software towards receivers\n"
  "${corvane_deb_about}"
  "This package holds the window (corvane). The station without a window and the\n"
  "receiver simulator are in corvane-station.")
# Qt loads its display plugins at run time, where dpkg-shlibdeps cannot see them.
set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The log box shows control bytes as Unicode control pictures; Symbola has their glyphs.
set(CPACK_DEBIAN_WINDOW_PACKAGE_RECOMMENDS
    "corvane-station (= ${corvane_deb_version}), fonts-symbola")

# CPackDeb would put the project's one-line description before both descriptions, which start
# with their own synopses: CPack must not see it.
block(SCOPE_FOR VARIABLES)
  set(CMAKE_PROJECT_DESCRIPTION "")
  include(CPack)
endblock()
