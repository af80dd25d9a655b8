# Image object, its geometry types, colour tables and matrices, bitmaps,
# device context and resources.
list(APPEND PIXLIB_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/AffineMatrix.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BitmapCanvas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BitmapResources.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CannyFilter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ColorMatrix.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CxImage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CxImageColor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CxImageDC.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CxImageDisplay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CxImageGeometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CxImageRegion.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CxImageTiles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CxImageText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CxImageWarp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DeviceContext.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DeviceContextText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DibHeader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DibSection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FGeometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Font.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FontEngine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Lut.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScreenDevice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SwapFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TextDecoding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TileEngine.cpp)
# Text: faces through fontconfig, glyphs through FreeType.
pkg_check_modules(PIXLIB_TEXT REQUIRED IMPORTED_TARGET freetype2 fontconfig)
list(APPEND PIXLIB_LIBRARIES PkgConfig::PIXLIB_TEXT)
# The tile engine reads its parameters from the program's profile.
list(APPEND PIXLIB_LIBRARIES bx_platform)
# The edge filter's row loops pay off only when vectorised with loop epilogues
# (a GCC option; clang, which builds the fuzzers, has no such switch).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/CannyFilter.cpp PROPERTIES COMPILE_OPTIONS -fvect-cost-model=dynamic)
endif()
