# bx_embed_files(OUTPUT <file.cpp> HEADER <include> NAMESPACE <name> FILES <files...>):
# a C++ source that defines, in that namespace, `kEmbeddedFiles` (an array of
# EmbeddedFile {name, content type, bytes}, declared in HEADER) and
# `kEmbeddedFileCount`, so that a program serves the files without installing
# them. Rebuilt when a listed file changes.
function(bx_embed_files)
  cmake_parse_arguments(E "" "OUTPUT;HEADER;NAMESPACE" "FILES" ${ARGN})
  add_custom_command(
    OUTPUT ${E_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${E_OUTPUT} -DHEADER=${E_HEADER} -DNAMESPACE=${E_NAMESPACE} "-DFILES=${E_FILES}"
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedFilesScript.cmake
    DEPENDS ${E_FILES} ${PROJECT_SOURCE_DIR}/cmake/EmbedFilesScript.cmake
    COMMENT "Embedding ${E_HEADER} files"
    VERBATIM)
endfunction()
