#pragma once

#include <cstdio>

#include <jpeglib.h>

#include "pixlib/codecs/DecodeTarget.h"
#include "pixlib/codecs/StreamFilter.h"

namespace pixcodec {

struct JpegHeader {
  int width = 0;
  int height = 0;
  int components = 0;
};

// Reads the JPEG header at the current position of `file` through the IJG
// library (and `filter`, when given). False on any decoder error.
bool ReadJpegHeader(std::FILE* file, StreamFilter* filter, JpegHeader& header);

struct IjgReadOptions {
  int channelMode = 0;
  int reduction = 1;               // 1, 2, 4 or 8 (DCT scaling)
  StreamFilter* filter = nullptr;  // descrambles the stream when set
  bool reported = true;            // progress and warnings go to the library's hooks
};

// Decodes the JPEG stream at the current position of `file` into `target`,
// reporting progress; decoder errors are reported through ImgWarning.
bool ReadJpegIjg(std::FILE* file, const IjgReadOptions& options, DecodeTarget& target);

// The same from a libjpeg source manager of the caller's (no filter).
bool ReadJpegIjg(jpeg_source_mgr& source, const IjgReadOptions& options, DecodeTarget& target);

}  // namespace pixcodec
