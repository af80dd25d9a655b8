#include "tests/fuzz/FuzzCorpus.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/codecs/CodecTestSupport.h"

namespace fuzzing {

void WriteSeedCorpus(const char* reader, const std::vector<std::vector<unsigned char>>& seeds) {
  const char* root = std::getenv("BX_FUZZ_CORPUS");
  if (root == nullptr) return;
  const std::filesystem::path folder = std::filesystem::path(root) / reader;
  std::filesystem::create_directories(folder);
  for (std::size_t n = 0; n < seeds.size(); ++n)
    codectest::WriteBytes((folder / ("seed-" + std::to_string(n))).string(), seeds[n]);
}

}  // namespace fuzzing
