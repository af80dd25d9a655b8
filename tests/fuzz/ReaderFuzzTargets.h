#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzzing {

// Every reading operation of the Joy container and of image signing on one
// input: type detection, loading in each channel mode, the conversions and
// signature checks. Returns 0 (libFuzzer's convention).
int FuzzJoyReader(const std::uint8_t* data, std::size_t size);

// The Photo CD reader on one input made into a pack: the pack header, then
// the input from the first sector of the stored image its first byte picks
// (or from the Huffman table of the 1536 x 1024 corrections); read at that
// image's reduction.
int FuzzPhotoCdReader(const std::uint8_t* data, std::size_t size);

}  // namespace fuzzing
