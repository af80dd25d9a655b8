#pragma once

#include <string>

namespace bx {

// A name that stays one component of a path wherever it is used (a folder of
// the image tree, a file named by a database row): false when it is empty,
// "." or "..", or holds "/", "\" (a separator where the row was written) or "..".
bool IsPlainName(const std::string& name);

}  // namespace bx
