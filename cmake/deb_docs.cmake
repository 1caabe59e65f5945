# CPack pre-build script of the Debian package: gives the staged installation Debian's shape of
# the documentation, which a plain installation does not need: man pages compressed, and a
# changelog naming this package's version. The package is built by the project from its own
# sources, a native package in Debian's terms (its version has no Debian revision), whose
# changelog is changelog.gz. gzip -n leaves out the name and time, so the same sources give
# the same files.

set(tafcvt_stage "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/share")
set(tafcvt_doc "${tafcvt_stage}/doc/${CPACK_PACKAGE_NAME}")
set(tafcvt_file_mode OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

string(TIMESTAMP tafcvt_date "%a, %d %b %Y %H:%M:%S +0000" UTC)  # SOURCE_DATE_EPOCH when set
file(WRITE "${tafcvt_doc}/changelog"
"${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium

  * Package of ${CPACK_PACKAGE_NAME} ${CPACK_PACKAGE_VERSION}, built from its sources.

 -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${tafcvt_date}
")
file(CHMOD "${tafcvt_doc}/changelog" FILE_PERMISSIONS ${tafcvt_file_mode})

file(GLOB_RECURSE tafcvt_man_pages "${tafcvt_stage}/man/*.[1-9]")
foreach(file "${tafcvt_doc}/changelog" ${tafcvt_man_pages})
  execute_process(COMMAND gzip -9nf "${file}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip ${file} failed: ${status}")
  endif()
endforeach()
