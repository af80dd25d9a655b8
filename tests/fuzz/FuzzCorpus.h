#pragma once

#include <vector>

namespace fuzzing {

// With BX_FUZZ_CORPUS set, writes `seeds` into its folder `reader` as that
// fuzzer's starting corpus; otherwise does nothing.
void WriteSeedCorpus(const char* reader, const std::vector<std::vector<unsigned char>>& seeds);

}  // namespace fuzzing
