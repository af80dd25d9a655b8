# Where `cmake --install` and the Debian packages put things. Programs go to
# bin/, the project's own shared libraries (the imaging library, the TWAIN
# source manager and sources, the denoiser, the external functions example) to
# a private folder <libdir>/bxgrabber that the installed programs find through
# their run path, data to share/bxgrabber. Every install rule without a
# component belongs to the station's package; the imaging library's headers,
# pkg-config file and CMake package belong to "dev".
include(GNUInstallDirs)
set(BX_INSTALL_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/bxgrabber)
set(BX_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/bxgrabber)
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME station)
set(CMAKE_INSTALL_RPATH ${CMAKE_INSTALL_PREFIX}/${BX_INSTALL_PRIVATE_LIBDIR})

# The sample layouts with their images (docs/layouts.md): a station stores them
# in its table with `bxdb import-layouts <datadir>/bxgrabber/layouts`.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/layouts/ DESTINATION ${BX_INSTALL_DATADIR}/layouts
        FILES_MATCHING PATTERN "*.xml" PATTERN "*.png")
