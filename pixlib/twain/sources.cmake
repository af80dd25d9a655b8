# TWAIN acquisition (CTwain) in the imaging library; the source manager and
# the data sources are libraries of their own (twain/CMakeLists.txt).
list(APPEND PIXLIB_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/MemoryRows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SourceManagerLibrary.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Twain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TwainCollector.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TwainTransfers.cpp)
list(APPEND PIXLIB_LIBRARIES bx_platform)
