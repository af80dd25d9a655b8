# Precompiled headers: the standard headers most sources include are parsed once
# per tree instead of once per source. Each header target holds only the header;
# the targets that compile with it reuse its artifact, so they must share its
# flags (the whole tree is position-independent code for this reason).

# bx_targets_below(DIR OUT): the C++ targets defined in DIR and its subfolders.
function(bx_targets_below dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  set(found "")
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    get_target_property(sources ${target} SOURCES)
    if(NOT type STREQUAL "INTERFACE_LIBRARY" AND NOT type STREQUAL "UTILITY" AND sources MATCHES "\\.cpp")
      list(APPEND found ${target})
    endif()
  endforeach()
  get_property(children DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(child IN LISTS children)
    bx_targets_below(${child} below)
    list(APPEND found ${below})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# bx_precompiled_header(NAME HEADERS...): a target holding a precompiled header.
function(bx_precompiled_header name)
  file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${name}.cpp CONTENT "")
  add_library(${name} OBJECT ${CMAKE_CURRENT_BINARY_DIR}/${name}.cpp)
  target_precompile_headers(${name} PRIVATE ${ARGN})
endfunction()

# bx_reuse_precompiled_header(NAME TARGETS...): these targets compile with it,
# except those that precompile headers of their own.
function(bx_reuse_precompiled_header name)
  foreach(target IN LISTS ARGN)
    get_target_property(own ${target} PRECOMPILE_HEADERS)
    if(NOT own)
      target_precompile_headers(${target} REUSE_FROM ${name})
    endif()
  endforeach()
endfunction()
