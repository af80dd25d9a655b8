# Two Debian packages from the install rules' components: "station" becomes
# bxgrabber, "dev" libpixlib32-dev. dpkg-shlibdeps declares the station's
# dependencies from the libraries its programs and plugins really link;
# adduser, the SQLite ODBC driver (the default database, loaded by name) and
# the fonts the text layer asks fontconfig for are needs it cannot see. (CPack
# starts each further line of a description with the space it needs.)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME bxgrabber)
set(CPACK_PACKAGE_VENDOR "BXGrabber developers")
set(CPACK_PACKAGE_CONTACT "${BX_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL station dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE bxgrabber)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BX_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_STATION_PACKAGE_NAME bxgrabber)
set(CPACK_DEBIAN_STATION_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_STATION_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_INSTALL_PREFIX}/${BX_INSTALL_PRIVATE_LIBDIR})
set(CPACK_DEBIAN_STATION_PACKAGE_DEPENDS "adduser, libsqliteodbc, fonts-liberation")
set(CPACK_DEBIAN_STATION_PACKAGE_SUGGESTS "odbc-postgresql, aravis-tools")
set(CPACK_DEBIAN_STATION_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_SOURCE_DIR}/deb/conffiles ${CMAKE_CURRENT_SOURCE_DIR}/deb/postinst
    ${CMAKE_CURRENT_SOURCE_DIR}/deb/prerm ${CMAKE_CURRENT_SOURCE_DIR}/deb/postrm)
set(CPACK_COMPONENT_STATION_DESCRIPTION "photo-capture station for industrial cameras
BXGrabber drives a GenICam camera (GigE Vision, USB3 Vision), adjusts its
exposure from each frame, colour-processes the photo, saves it as a numbered
JPEG with an embedded thumbnail and records it in an SQL database. It runs
with its window or headless as the systemd service bxgrabber (instances
bxgrabber@N for more cameras). The package holds the station, its tools
(bxcam, bxdb, bxevent, bxcounter, pixtool), the imaging library pixlib32,
the denoiser, the TWAIN source manager with its SANE source and the example
external functions library.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libpixlib32-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "bxgrabber (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_DEV_DESCRIPTION "imaging library pixlib32 of the BXGrabber station (development files)
pixlib32 holds an image object with geometric and colour operations, text,
a tile cache, readers for BMP, PCX, TGA, JPEG, TIFF and Photo CD files and
writers for JPEG and TIFF. This package has its headers, a pkg-config file
(pixlib32) and a CMake package (find_package(pixlib32)); the library itself
comes with the package bxgrabber.")

include(CPack)
