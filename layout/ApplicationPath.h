#pragma once

#include <string>

namespace bx::layout {

// The "Application Path" setting as a folder ending in "/": an empty setting means
// the program's working folder, never the file-system root.
std::string ApplicationFolder(const std::string& applicationPath);
// "<AP>" for a leading application folder, so that stored names survive a move of
// the installation; a name elsewhere stays as it is. The icon list ("name;x;y;zoom;rot|...")
// is handled piece by piece.
std::string ToPlaceholder(const std::string& name, const std::string& applicationFolder);
std::string FromPlaceholder(const std::string& name, const std::string& applicationFolder);
std::string PageToPlaceholder(const std::string& page, const std::string& applicationFolder);
std::string PageFromPlaceholder(const std::string& page, const std::string& applicationFolder);

}  // namespace bx::layout
