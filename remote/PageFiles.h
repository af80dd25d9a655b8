#pragma once

#include "remote/Router.h"

#include <cstddef>
#include <string_view>

namespace remote {

// The status page's files (remote/page/), compiled into the program.
struct EmbeddedFile {
  const char* name;
  const char* contentType;
  std::string_view bytes;
};
extern const EmbeddedFile kEmbeddedFiles[];
extern const std::size_t kEmbeddedFileCount;

// The page's file called `name`; null when there is none.
const EmbeddedFile* FindPageFile(std::string_view name);

// Serves the page at "/" and its files at "/page/{name}", without the token:
// the page itself asks for it.
void AddPageRoutes(Router& router);

}  // namespace remote
