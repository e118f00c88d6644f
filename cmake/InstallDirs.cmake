# Where `cmake --install` puts things, relative to the prefix; cmake/Install.cmake
# has the rules. Known before the tools are configured: the element needs to
# know where the module lands relative to itself.
set(QUARN_INSTALL_LIBDIR lib)
# The project's private library folder, which the dynamic linker never
# searches: the logging library lives here, the module one folder down.
set(QUARN_INSTALL_PRIVATELIBDIR ${QUARN_INSTALL_LIBDIR}/quarn)
set(QUARN_INSTALL_PLUGINDIR ${QUARN_INSTALL_PRIVATELIBDIR}/plugins)
set(QUARN_INSTALL_INCLUDEDIR include)
set(QUARN_INSTALL_CMAKEDIR ${QUARN_INSTALL_LIBDIR}/cmake/QuarnSSA)
set(QUARN_INSTALL_PKGCONFIGDIR ${QUARN_INSTALL_LIBDIR}/pkgconfig)
set(QUARN_INSTALL_DOCDIR share/doc/quarn-ssa)
