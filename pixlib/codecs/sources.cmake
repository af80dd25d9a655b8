# Image file codecs: format detection, load and save dispatch, thumbnails, JPEG,
# BMP, PCX, TGA, TIFF and PNG.
pkg_check_modules(PIXLIB_JPEG REQUIRED IMPORTED_TARGET libjpeg libturbojpeg)
pkg_check_modules(PIXLIB_TIFF REQUIRED IMPORTED_TARGET libtiff-4)
pkg_check_modules(PIXLIB_LCMS REQUIRED IMPORTED_TARGET lcms2)
# PNG through libspng: fast decoding, a small API, limits for damaged files.
pkg_check_modules(PIXLIB_SPNG REQUIRED IMPORTED_TARGET spng)
list(APPEND PIXLIB_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ByteReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ChannelLayout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CxImageFiles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CxImageThumbnail.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg/ByteRelay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg/FastJpegReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileType.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FormatVariant.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg/IjgJpegReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg/IjgJpegWriter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImageTrailer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImageView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImgDiagnostics.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IplErrorHandler.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg/JfifDensity.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg/JpegDestination.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg/JpegErrorTrap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg/JpegExtent.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg/JpegFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg/JpegSource.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LibraryKey.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LoadDispatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LongerSideScaling.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Orientation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PhotoJpeg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProfileConversion.cpp
  ${CMAKE_CURRENT_LIST_DIR}/icc/EmbeddedProfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/icc/IccTransform.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RasterReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Rc4Filter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RowConverters.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg/SystemJpegEncoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Thumbnail.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ThumbnailPlan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ThumbnailSection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bmp/BmpDecoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bmp/BmpFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bmp/BmpHeader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bmp/BmpWriter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/png/PngDecoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/png/PngFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/png/PngWriter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pcx/PcxDecoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pcx/PcxFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pcx/PcxHeader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tga/TgaDecoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tga/TgaFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tga/TgaHeader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tiff/HorizontalPredictor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tiff/TiffDecoders.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tiff/TiffHandle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tiff/TiffLayout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tiff/LzwStripDecoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tiff/TiffStripDecoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tiff/TiffReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tiff/TiffWriter.cpp)
# Joy files (scrambled JPEG container) and image signing.
list(APPEND PIXLIB_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/joy/Crc32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/joy/ImageSignature.cpp
  ${CMAKE_CURRENT_LIST_DIR}/joy/JoyContainer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/joy/JoyConversion.cpp
  ${CMAKE_CURRENT_LIST_DIR}/joy/JoyFile.cpp)
# Photo CD image packs.
list(APPEND PIXLIB_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/photocd/FourBaseCorrections.cpp
  ${CMAKE_CURRENT_LIST_DIR}/photocd/PhotoCdFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/photocd/PhotoCdPack.cpp
  ${CMAKE_CURRENT_LIST_DIR}/photocd/PhotoYccConverter.cpp)
list(APPEND PIXLIB_LIBRARIES PkgConfig::PIXLIB_JPEG PkgConfig::PIXLIB_TIFF PkgConfig::PIXLIB_LCMS PkgConfig::PIXLIB_SPNG)
