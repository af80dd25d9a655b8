# Image object, its geometry types, colour tables and matrices, bitmaps,
# device context and resources.
list(APPEND PIXLIB_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/BitmapResources.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ColorMatrix.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CxImage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CxImageColor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CxImageDC.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CxImageGeometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CxImageRegion.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CxImageTiles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DeviceContext.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DibHeader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DibSection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FGeometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Lut.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScreenDevice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SwapFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TileEngine.cpp)
# The tile engine reads its parameters from the program's profile.
list(APPEND PIXLIB_LIBRARIES bx_platform)
