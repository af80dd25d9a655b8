#pragma once

#include <cstdio>
#include <vector>

#include "pixlib/codecs/ImageTrailer.h"

namespace pixcodec {

// The thumbnail record appended to an image file: the stored width and
// height, then a baseline JPEG, ending where the trailer begins.
struct ThumbnailRecord {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> jpeg;
};

enum class RecordStatus { Absent, Read, Broken };

// Reads the record the trailer of `file` points to. Broken: the trailer
// announces a thumbnail but the record lies outside the file or cannot be read.
RecordStatus ReadThumbnailRecord(std::FILE* file, const TrailerInfo& info, ThumbnailRecord& record);

// Cuts a broken thumbnail section and its trailer off the file. Refused (false)
// when that could reach into the base image: a section outside the file or at
// its start; for a plain JPEG, one before the end of its stream; for other
// formats, one where no thumbnail record begins.
bool CutThumbnailSection(std::FILE* file, const TrailerInfo& info);

// Where a new thumbnail record goes: over an older thumbnail section, or at the
// end of a file without trailer (after any padding). False, by the same rule
// as the cut, when that could reach into the base image (a corrupt trailer, a
// truncated JPEG).
bool ThumbnailWritePosition(std::FILE* file, const TrailerInfo& info, long& position);

// Writes `record` at the write position followed by the trailer (flags read
// plus the thumbnail flag; a new trailer for a file without one or with the
// older trailer) and cuts the file there. On a write error the previous tail
// of the file is put back.
bool StoreThumbnailRecord(std::FILE* file, const TrailerInfo& info, const ThumbnailRecord& record);

}  // namespace pixcodec
