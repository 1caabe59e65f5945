# Installation and the Debian package (included by the top-level CMakeLists.txt).
#
# Every file goes under the prefix given at install time (cmake --install build --prefix DIR;
# destinations are relative), and the defaults file is written then, from that prefix
# (install_defaults.cmake), where the installed program's built-in search path finds it:
# <prefix>/etc/tafcvt, or /etc/tafcvt for the prefix /usr. So an installation works from
# any folder with no setting, wherever it was put.
#
# The package: cpack in the build folder (or the target "package") writes
# tafcvt_<version>_<arch>.deb, an installation under /usr staged with DESTDIR, so the same
# install rules build it. Debian's own shape of the documentation (compressed man page and
# changelog) is given to the staged tree only (deb_docs.cmake).

include(GNUInstallDirs)
set(TAFCVT_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/tafcvt")
set(TAFCVT_DEFAULTS_NAME tafcvt)  # <prefix>/etc/<program>: the program's own file name
# Folders the install rules create are world-readable whatever the umask (a package's must be).
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS tafcvt RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES data/name_conv data/parse.lup data/sao.cty DESTINATION "${TAFCVT_INSTALL_DATADIR}")
install(DIRECTORY data/samples/ DESTINATION "${TAFCVT_INSTALL_DATADIR}/samples")
install(FILES doc/tafcvt.1 DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES doc/copyright DESTINATION "${CMAKE_INSTALL_DOCDIR}")
# The JSON form's schema, for the programs that read it.
install(FILES doc/tafcvt-report.schema.json DESTINATION "${CMAKE_INSTALL_DOCDIR}")
install(CODE "
  set(TAFCVT_CFG_TEMPLATE \"${PROJECT_SOURCE_DIR}/data/jox.cfg.in\")
  set(TAFCVT_CFG_STAGING \"${PROJECT_BINARY_DIR}/install\")
  set(TAFCVT_INSTALL_DATADIR \"${TAFCVT_INSTALL_DATADIR}\")
  set(TAFCVT_DEFAULTS_NAME \"${TAFCVT_DEFAULTS_NAME}\")")
install(SCRIPT cmake/install_defaults.cmake)

set(TAFCVT_PACKAGE_MAINTAINER "tafcvt developers <tafcvt@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tafcvt)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converter of terminal aerodrome forecasts (TAF)")
# Lines of the long description stay within Debian's 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "tafcvt reads raw weather bulletin files, finds the terminal aerodrome
forecasts of one station, a list of stations or all stations, and writes
each as wrapped English sentences or as a decoded listing of labelled
lines. Old and current report forms are read.")
# Staged with DESTDIR: the install scripts see the real prefix /usr (not the staging folder),
# so the defaults file lands in /etc/tafcvt and names /usr/share/tafcvt.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TAFCVT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The defaults file is the administrator's: kept on upgrade, removed on purge.
file(WRITE "${PROJECT_BINARY_DIR}/deb/conffiles" "/etc/${TAFCVT_DEFAULTS_NAME}/jox.cfg\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${PROJECT_BINARY_DIR}/deb/conffiles")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/deb_docs.cmake")
include(CPack)
