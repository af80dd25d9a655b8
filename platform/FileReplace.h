#pragma once

#include <optional>
#include <string>

namespace bx {

// Writes the text to a hidden file beside the target and renames it into place,
// creating the missing folders: a reader never finds half a file. The reason when
// it could not.
std::optional<std::string> WriteFileAtomically(const std::string& path, const std::string& text);

}  // namespace bx
