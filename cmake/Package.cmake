# `make package`: a Debian package of the install tree, installed under /usr.
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
# Linked libraries are found by dpkg-shlibdeps; ICU is loaded at run time,
# so it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libicu72")
include(CPack)
