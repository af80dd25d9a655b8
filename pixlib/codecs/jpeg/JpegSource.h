#pragma once

#include <cstdio>

#include <jpeglib.h>

#include "pixlib/codecs/StreamFilter.h"

namespace pixcodec {

// libjpeg source manager reading a stdio file from its current position
// through a 4096-byte buffer, passing each block through an optional filter.
class JpegSource {
 public:
  JpegSource(std::FILE* file, StreamFilter* filter);
  JpegSource(const JpegSource&) = delete;
  JpegSource& operator=(const JpegSource&) = delete;
  void Attach(j_decompress_ptr info) { info->src = &Manager(); }
  jpeg_source_mgr& Manager() { return m_state.manager; }

 private:
  static constexpr std::size_t kBufferSize = 4096;
  struct State {
    jpeg_source_mgr manager;  // first member: libjpeg hands its address back
    std::FILE* file;
    StreamFilter* filter;
    bool startOfFile;
    JOCTET buffer[kBufferSize];
  };
  static void Init(j_decompress_ptr info);
  static boolean Fill(j_decompress_ptr info);
  State m_state{};
};

// A source manager with these two functions, the rest libjpeg's or none.
jpeg_source_mgr SourceManager(void (*init)(j_decompress_ptr), boolean (*fill)(j_decompress_ptr));

// At the end of the data: an error when the stream was empty, else a warning
// and a fake end-of-image marker that lets the decoder finish.
void SupplyEndOfData(j_decompress_ptr info, bool startOfFile);

// libjpeg's skip_input_data for any source: skips `count` bytes, refilling
// the buffer through the source's fill_input_buffer as needed.
void SkipInputData(j_decompress_ptr info, long count);

}  // namespace pixcodec
