#include "platform/HostName.h"

#include <unistd.h>

namespace bx {

std::optional<std::string> HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return std::nullopt;
  return std::string(name);
}

}  // namespace bx
