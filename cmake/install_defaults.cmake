# Install-time part of the installation: writes the defaults file of this installation from
# the prefix given now (cmake --install build --prefix DIR, or /usr for the package), not the
# one the build was configured with, into the folder where the installed program's built-in
# search path looks for it: <prefix>/etc/tafcvt, or /etc/tafcvt for the prefix /usr (a
# package's configuration lives outside its prefix). file(INSTALL) honours DESTDIR and lists
# the file in the install manifest.
#
# Set before this script runs (install(CODE) in TafcvtInstall.cmake): TAFCVT_CFG_TEMPLATE,
# TAFCVT_CFG_STAGING (a folder of the build to write the file in first), TAFCVT_INSTALL_DATADIR
# (the data folder relative to the prefix) and TAFCVT_DEFAULTS_NAME (the folder's name, the
# program's).

# A relative prefix is taken from the working folder, as the installed files are; the
# program sees its own prefix as an absolute, normalised path.
get_filename_component(tafcvt_prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
if(tafcvt_prefix STREQUAL "/usr")
  set(tafcvt_etc_dir "/etc/${TAFCVT_DEFAULTS_NAME}")
else()
  set(tafcvt_etc_dir "${tafcvt_prefix}/etc/${TAFCVT_DEFAULTS_NAME}")
endif()

set(TAFCVT_CFG_FILE_PATH "${tafcvt_prefix}/${TAFCVT_INSTALL_DATADIR}/")
set(TAFCVT_CFG_DATA_PATH "${tafcvt_prefix}/${TAFCVT_INSTALL_DATADIR}/samples/")
# One staging folder per destination, removed once installed: an installation and a package
# made at the same time do not write each other's file.
string(MD5 tafcvt_dest "$ENV{DESTDIR}${tafcvt_etc_dir}")
set(tafcvt_staged "${TAFCVT_CFG_STAGING}/${tafcvt_dest}")
configure_file("${TAFCVT_CFG_TEMPLATE}" "${tafcvt_staged}/jox.cfg" @ONLY)
file(INSTALL DESTINATION "${tafcvt_etc_dir}" TYPE FILE FILES "${tafcvt_staged}/jox.cfg")
file(REMOVE_RECURSE "${tafcvt_staged}")
