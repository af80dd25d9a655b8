#include "remote/PageFiles.h"

namespace remote {

namespace {

HttpResponse Serve(std::string_view name) {
  const EmbeddedFile* file = FindPageFile(name);
  if (file == nullptr) return HttpResponse::Error(404, "no such file");
  HttpResponse response;
  response.contentType = file->contentType;
  response.body = std::string(file->bytes);
  // A new program's page replaces the old one at once; nothing outside the station runs in it.
  response.headers = {{"Cache-Control", "no-cache"},
                      {"X-Content-Type-Options", "nosniff"},
                      {"Content-Security-Policy", "default-src 'self'; frame-ancestors 'none'"}};
  return response;
}

}  // namespace

const EmbeddedFile* FindPageFile(std::string_view name) {
  for (std::size_t i = 0; i < kEmbeddedFileCount; ++i)
    if (kEmbeddedFiles[i].name == name) return &kEmbeddedFiles[i];
  return nullptr;
}

void AddPageRoutes(Router& router) {
  router.Add(
      "GET", "/", [](const HttpRequest&) { return Serve("index.html"); }, Router::Access::Open);
  router.Add(
      "GET", "/page/{name}", [](const HttpRequest& request) { return Serve(request.pathParams.at("name")); },
      Router::Access::Open);
}

}  // namespace remote
