// The libFuzzer entry point of one fuzz target, chosen at compile time.
#include "tests/fuzz/ReaderFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzzing::FUZZ_TARGET(data, size);
}
