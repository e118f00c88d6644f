# What `cmake --install` puts where, for hosts that load the plug-in:
#
#   bin/quarn-ssa-play                     the player
#   lib/quarn/plugins/libquarn_ssa.so      the plug-in module
#   lib/quarn/libQuarn_Logging.so          the reference logging library
#   include/quarn/*.h                      the headers a host compiles against
#   lib/cmake/QuarnSSA/                    find_package(QuarnSSA CONFIG)
#   lib/pkgconfig/quarn-ssa.pc             pkg-config
#   share/man/man1/quarn-ssa-play.1.gz     the player's manual
#   share/doc/quarn-ssa/                   the host guide, the README, the
#                                          changelog and the copyright file
#
# Everything is found relative to something else in the tree, so a tree moved
# elsewhere (a package unpacked into a scratch root) still works: the player
# looks for ../lib/quarn/plugins, the module finds the logging library one
# folder up, the CMake package and the pkg-config file locate themselves.
include(CMakePackageConfigHelpers)

# Two packages: everything but the GStreamer element, and the element, so
# that a host developer who only wants the plug-in is not given GStreamer.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME main)

# quarn_gzip(SOURCE OUTPUT): OUTPUT, made at build time, is SOURCE compressed
# as Debian wants manuals and changelogs: gzip -9n, which records neither
# name nor time, so the same source always gives the same bytes.
find_program(QUARN_GZIP gzip REQUIRED)
add_custom_target(quarn_gzipped ALL)
function(quarn_gzip source output)
  string(REGEX REPLACE "\\.gz$" "" plain ${output})
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${plain}
    COMMAND ${QUARN_GZIP} -9nf ${plain}
    DEPENDS ${source} VERBATIM)
  string(MAKE_C_IDENTIFIER ${output} name)
  add_custom_target(quarn_gzip_${name} DEPENDS ${output})
  add_dependencies(quarn_gzipped quarn_gzip_${name})
endfunction()

# The module loads the logging library by name; its run path is searched
# for it. The logging library is private to the module, not for the
# dynamic linker's shared folders, so it needs no soname of its own and the
# package no ldconfig.
set_target_properties(quarn_ssa PROPERTIES INSTALL_RPATH "$ORIGIN:$ORIGIN/..")
install(TARGETS quarn_ssa LIBRARY DESTINATION ${QUARN_INSTALL_PLUGINDIR})
if(TARGET Quarn_Logging)
  install(TARGETS Quarn_Logging LIBRARY DESTINATION ${QUARN_INSTALL_PRIVATELIBDIR})
endif()
if(TARGET quarn-ssa-play)
  install(TARGETS quarn-ssa-play RUNTIME DESTINATION bin)
  quarn_gzip(${CMAKE_SOURCE_DIR}/docs/quarn-ssa-play.1 ${CMAKE_BINARY_DIR}/install/quarn-ssa-play.1.gz)
  install(FILES ${CMAKE_BINARY_DIR}/install/quarn-ssa-play.1.gz DESTINATION share/man/man1)
endif()
install(FILES ${QUARN_HOST_HEADERS} DESTINATION ${QUARN_INSTALL_INCLUDEDIR}/quarn)
# The changelog under the name Debian looks for; the copyright file in
# Debian's machine-readable format, which reads as plain text too.
quarn_gzip(${CMAKE_SOURCE_DIR}/docs/changelog.md ${CMAKE_BINARY_DIR}/install/changelog.gz)
install(FILES ${CMAKE_SOURCE_DIR}/docs/host-guide.md ${CMAKE_SOURCE_DIR}/README.md
              ${CMAKE_BINARY_DIR}/install/changelog.gz ${CMAKE_SOURCE_DIR}/cmake/debian/copyright
        DESTINATION ${QUARN_INSTALL_DOCDIR})

# Quarn::host_headers (defined beside the header list): the include folder
# and the dynamic loader, nothing more. The module is loaded at run time,
# never linked.
install(TARGETS quarn_host_headers EXPORT QuarnSSATargets)
install(EXPORT QuarnSSATargets NAMESPACE Quarn:: DESTINATION ${QUARN_INSTALL_CMAKEDIR})

configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/QuarnSSAConfig.cmake.in
  ${CMAKE_BINARY_DIR}/install/QuarnSSAConfig.cmake
  INSTALL_DESTINATION ${QUARN_INSTALL_CMAKEDIR}
  PATH_VARS QUARN_INSTALL_PLUGINDIR QUARN_INSTALL_PRIVATELIBDIR)
# 0.x releases promise nothing across minor versions.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/install/QuarnSSAConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/install/QuarnSSAConfig.cmake
              ${CMAKE_BINARY_DIR}/install/QuarnSSAConfigVersion.cmake
        DESTINATION ${QUARN_INSTALL_CMAKEDIR})

# The pkg-config file finds the prefix from its own folder, like the CMake
# package: the same file serves any --prefix, the package's /usr and a tree
# unpacked or moved elsewhere.
file(RELATIVE_PATH QUARN_PC_PREFIX_FROM_PCFILEDIR /prefix/${QUARN_INSTALL_PKGCONFIGDIR} /prefix)
string(REGEX REPLACE "/$" "" QUARN_PC_PREFIX_FROM_PCFILEDIR ${QUARN_PC_PREFIX_FROM_PCFILEDIR})
configure_file(${CMAKE_SOURCE_DIR}/cmake/quarn-ssa.pc.in ${CMAKE_BINARY_DIR}/install/quarn-ssa.pc
  @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/install/quarn-ssa.pc DESTINATION ${QUARN_INSTALL_PKGCONFIGDIR})

if(TARGET gstquarnssa)
  install(TARGETS gstquarnssa LIBRARY DESTINATION ${QUARN_INSTALL_GSTDIR} COMPONENT gstreamer)
endif()
