#pragma once

#include <string>

namespace bxbench {

// Prints what decoding the LZW strips of `path` costs per code: libtiff's
// decoder and ours, one strip after another, and ours on all cores.
void PrintLzwCodeCost(const std::string& path, int runs);

}  // namespace bxbench
