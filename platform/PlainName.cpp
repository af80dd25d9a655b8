#include "platform/PlainName.h"

namespace bx {

bool IsPlainName(const std::string& name) {
  return !name.empty() && name.find_first_of("/\\") == std::string::npos &&
         name.find("..") == std::string::npos && name != ".";
}

}  // namespace bx
