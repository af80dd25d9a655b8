# Adds each listed folder below the current source folder that has a CMakeLists.txt.
function(bx_add_present_subdirectories)
  foreach(dir IN LISTS ARGN)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# Adds every immediate subfolder that has a CMakeLists.txt, in name order.
function(bx_add_all_subdirectories)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(dir IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${dir} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# bx_add_gtest(NAME SOURCES... LIBS...): one GoogleTest executable registered with ctest.
function(bx_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

# bx_test_properties(TARGET TESTS test... PROPERTIES name value...): ctest
# properties for some of the tests that gtest_discover_tests finds in TARGET.
function(bx_test_properties target)
  cmake_parse_arguments(T "" "" "TESTS;PROPERTIES" ${ARGN})
  string(MD5 key "${T_TESTS} ${T_PROPERTIES}")
  list(JOIN T_PROPERTIES " " properties)
  set(lines "")
  foreach(test IN LISTS T_TESTS)
    string(APPEND lines "list(FIND ${target}_TESTS \"${test}\" bx_found)\nif(NOT bx_found EQUAL -1)\n"
                        "  set_tests_properties(\"${test}\" PROPERTIES ${properties})\nendif()\n")
  endforeach()
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_properties_${key}.cmake)
  file(WRITE ${script} "${lines}")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

# bx_test_cost(TARGET COST TEST...): a first run has no timings and starts the
# tests in the order they were added, so a long one may start last and end the
# run alone. COST (about its seconds) starts these discovered tests of TARGET
# early; ctest's own timings take over on later runs.
function(bx_test_cost target cost)
  bx_test_properties(${target} TESTS ${ARGN} PROPERTIES COST ${cost})
endfunction()
