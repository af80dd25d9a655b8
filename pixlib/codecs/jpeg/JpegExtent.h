#pragma once

#include <cstdio>
#include <optional>

namespace pixcodec {

// Where the JPEG that begins at the start of `file` ends: the offset right
// after its end-of-image marker, found by walking its segments and scans (an
// end marker inside an embedded preview or a stuffed byte does not count).
// Nothing when the stream does not end before `limit` bytes.
std::optional<long> JpegImageEnd(std::FILE* file, long limit);

}  // namespace pixcodec
