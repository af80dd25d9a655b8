#pragma once

#include <cstdio>

#include "pixlib/codecs/StreamFilter.h"

namespace pixcodec {

// Where the parts of a Joy file lie: the scrambled full image runs from
// `streamBegin` up to `streamEnd`, where the thumbnail record or the trailer
// begins.
struct JoyLayout {
  long streamBegin = 0;
  long streamEnd = 0;
};

enum class JoyTrailer { None, Joy, Broken };

// None: the file carries no trailer with the scrambled flag. Broken: it does,
// but the offsets do not lie in order inside the file.
JoyTrailer ReadJoyLayout(std::FILE* file, JoyLayout& layout);

// Writes the Joy trailer at the current position: the thumbnail offset (this
// position, as no thumbnail follows yet), the scrambled flag and the stream
// offset.
bool WriteJoyTrailer(std::FILE* file, long streamBegin);

// Copies bytes [begin, end) of `from` to the current position of `to` through
// `filter`, in 512-byte blocks. False on a short read or a write error.
bool CopyFiltered(std::FILE* from, long begin, long end, std::FILE* to, StreamFilter& filter);

// Copies the whole of `source` over `target` (through a replacement file).
bool CopyWholeFile(const char* source, const char* target);

}  // namespace pixcodec
