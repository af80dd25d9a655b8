# Run by bx_embed_files: writes OUTPUT, one byte array per file of FILES and
# the table kEmbeddedFiles of {name, content type, bytes}.
set(types_html "text/html; charset=utf-8")
set(types_css "text/css; charset=utf-8")
set(types_js "text/javascript; charset=utf-8")
set(types_svg "image/svg+xml")
set(types_png "image/png")

set(arrays "")
set(table "")
set(index 0)
foreach(file IN LISTS FILES)
  get_filename_component(name ${file} NAME)
  get_filename_component(extension ${file} LAST_EXT)
  string(SUBSTRING "${extension}" 1 -1 extension)
  set(type "${types_${extension}}")
  if(type STREQUAL "")
    set(type "application/octet-stream")
  endif()
  file(READ ${file} hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(APPEND arrays "const char kFile${index}[${size} + 1] = {${bytes} 0};\n")
  string(APPEND table "    {\"${name}\", \"${type}\", {kFile${index}, ${size}}},\n")
  math(EXPR index "${index} + 1")
endforeach()

file(WRITE ${OUTPUT}.tmp
     "// Generated from the files it embeds; do not edit.\n#include \"${HEADER}\"\n\nnamespace ${NAMESPACE} {\n\nnamespace {\n${arrays}}  // namespace\n\n"
     "const EmbeddedFile kEmbeddedFiles[] = {\n${table}};\nconst std::size_t kEmbeddedFileCount = ${index};\n\n}  // namespace ${NAMESPACE}\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
