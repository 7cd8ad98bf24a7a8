# `cpack -G DEB` in the build directory: a Debian package of what `cmake --install` lays
# out, under /usr. Its dependencies are worked out by dpkg-shlibdeps from the libraries
# the program links.
set(QUORIN_PACKAGE_MAINTAINER "Quorin developers <packages@quorin.invalid>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorin)
set(CPACK_PACKAGE_VENDOR Quorin)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop client for an online video portal")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorin is a Chinese-language desktop client for an online video portal: the portal's\n"
    "HD cinema and film categories in an embedded browser, live TV, and torrent videos\n"
    "played through a video-resolving service.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
# The desktop entry's Exec key is written at install time from CMAKE_INSTALL_PREFIX, so
# the package's install runs with the real prefix, /usr, under DESTDIR.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUORIN_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
if(QUORIN_MAKER_SITE MATCHES "^https://")
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUORIN_MAKER_SITE}/")
endif()
# Debian's entry for the browser engine's library also names the package of the engine's
# helper process (libqt6webenginecore6-bin), which the program starts rather than links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
