// libFuzzer entry point for one reader, chosen by BX_FUZZ_READER at build time.
#include <cstdio>

#include "tests/fuzz/FuzzReaders.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The readers' warnings go to standard output; keep the fuzzer's own output readable.
  return std::freopen("/dev/null", "w", stdout) != nullptr ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzReader(fuzz::Reader::BX_FUZZ_READER, data, size);
  return 0;
}
