# `make package`: Debian packages of the install tree, installed under /usr:
# quarn-ssa (the plug-in, the headers and build files, the logging library,
# the player, the documents) and, when the element is built,
# gstreamer1.0-quarn-ssa.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quarn-ssa)
set(CPACK_PACKAGE_VENDOR "quarn-ssa")
set(CPACK_PACKAGE_CONTACT "quarn-ssa developers <developers@quarn-ssa.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "SSA/ASS subtitle container plug-in for stream engines, with a player")
set(CPACK_PACKAGE_DESCRIPTION
    "A plug-in module that reads SubStation Alpha (.ssa) and Advanced SubStation\n\
Alpha (.ass) scripts, converts them to UTF-8 and serves their events as a\n\
timed subtitle stream. Includes the headers a host compiles against, CMake\n\
and pkg-config files, the reference logging library and quarn-ssa-play.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL main)
set(CPACK_DEBIAN_MAIN_PACKAGE_NAME quarn-ssa)
# Linked libraries are found by dpkg-shlibdeps; ICU is loaded at run time,
# so it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_MAIN_PACKAGE_DEPENDS "libicu72")
if(TARGET gstquarnssa)
  list(APPEND CPACK_COMPONENTS_ALL gstreamer)
  set(CPACK_DEBIAN_GSTREAMER_PACKAGE_NAME gstreamer1.0-quarn-ssa)
  set(CPACK_DEBIAN_GSTREAMER_PACKAGE_SECTION video)
  set(CPACK_COMPONENT_GSTREAMER_DESCRIPTION
      "GStreamer element quarnssasrc, reading SSA/ASS scripts through quarn-ssa\n\
The element reads a script through the quarn-ssa plug-in module and pushes\n\
one timed buffer per entry for GStreamer's subtitle renderers.")
  set(CPACK_COMPONENT_GSTREAMER_DEPENDS main)
  set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
endif()
include(CPack)
