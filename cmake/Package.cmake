# `make package`: Debian packages of the install tree, installed under /usr:
# quarn-ssa (the plug-in, the headers and build files, the logging library,
# the player, the documents) and, when the element is built,
# gstreamer1.0-quarn-ssa. scripts/check-package holds both to lintian.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quarn-ssa)
set(CPACK_PACKAGE_VENDOR "quarn-ssa")
set(CPACK_PACKAGE_CONTACT "quarn-ssa developers <developers@quarn-ssa.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL main)
# Linked libraries are found by dpkg-shlibdeps; ICU is loaded at run time,
# so it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Each package says what it is in its own words: a synopsis line, then the
# long description. (CPACK_PACKAGE_DESCRIPTION_SUMMARY stays unset: CPack
# would put it in front of both.)
set(CPACK_DEBIAN_MAIN_PACKAGE_NAME quarn-ssa)
set(CPACK_DEBIAN_MAIN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_MAIN_PACKAGE_DEPENDS "libicu72")
set(CPACK_DEBIAN_MAIN_DESCRIPTION "SSA/ASS subtitle container plug-in for stream engines
A plug-in module that reads SubStation Alpha (.ssa) and Advanced
SubStation Alpha (.ass) scripts, converts them to UTF-8 and serves their
events as a timed subtitle stream to the stream engine that loads it.

This package holds the module, the headers a host compiles against with
their CMake and pkg-config files, the reference logging library and the
player quarn-ssa-play.")

# What Debian wants in every package's documentation folder beyond an
# install: the changelog as Debian keeps it, and for the element's package
# also the upstream changelog and the copyright file, which a plain install
# keeps in share/doc/quarn-ssa/ only. Installed with the package's
# component alone (EXCLUDE_FROM_ALL), never by `cmake --install`.
quarn_gzip(${CMAKE_SOURCE_DIR}/cmake/debian/changelog
           ${CMAKE_BINARY_DIR}/install/changelog.Debian.gz)
install(FILES ${CMAKE_BINARY_DIR}/install/changelog.Debian.gz
        DESTINATION share/doc/quarn-ssa COMPONENT main EXCLUDE_FROM_ALL)

if(TARGET gstquarnssa)
  list(APPEND CPACK_COMPONENTS_ALL gstreamer)
  set(CPACK_DEBIAN_GSTREAMER_PACKAGE_NAME gstreamer1.0-quarn-ssa)
  set(CPACK_DEBIAN_GSTREAMER_PACKAGE_SECTION video)
  set(CPACK_DEBIAN_GSTREAMER_DESCRIPTION "GStreamer element reading SSA/ASS scripts through quarn-ssa
The element quarnssasrc reads a SubStation Alpha (.ssa) or Advanced
SubStation Alpha (.ass) script through the quarn-ssa plug-in module and
pushes one timed buffer per entry, with the script's header as codec data,
for GStreamer's subtitle renderers. It seeks through the module and plays
backwards at a negative rate.")
  set(CPACK_COMPONENT_GSTREAMER_DEPENDS main)
  set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
  install(FILES ${CMAKE_BINARY_DIR}/install/changelog.Debian.gz
                ${CMAKE_BINARY_DIR}/install/changelog.gz
                ${CMAKE_SOURCE_DIR}/cmake/debian/copyright
          DESTINATION share/doc/gstreamer1.0-quarn-ssa COMPONENT gstreamer EXCLUDE_FROM_ALL)
endif()

# The Debian changelog's latest entry is this version: lintian reads the
# package's version against it.
file(STRINGS ${CMAKE_SOURCE_DIR}/cmake/debian/changelog quarn_changelog_top LIMIT_COUNT 1)
if(NOT quarn_changelog_top MATCHES "^quarn-ssa \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "cmake/debian/changelog starts with \"${quarn_changelog_top}\": "
                      "add an entry for version ${PROJECT_VERSION}")
endif()
include(CPack)
