#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include "pixlib/codecs/StreamFilter.h"

namespace pixcodec {

// Where compressed bytes go: a stdio file or a byte vector.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Write(const unsigned char* bytes, std::size_t count) = 0;
  virtual bool Flush() { return true; }
};

class FileSink : public ByteSink {
 public:
  explicit FileSink(std::FILE* file) : m_file(file) {}
  bool Write(const unsigned char* bytes, std::size_t count) override;
  bool Flush() override;

 private:
  std::FILE* m_file;
};

class VectorSink : public ByteSink {
 public:
  explicit VectorSink(std::vector<unsigned char>& bytes) : m_bytes(bytes) {}
  bool Write(const unsigned char* bytes, std::size_t count) override;

 private:
  std::vector<unsigned char>& m_bytes;
};

// Writes to two sinks, the first first.
class TeeSink : public ByteSink {
 public:
  TeeSink(ByteSink& first, ByteSink& second) : m_first(first), m_second(second) {}
  bool Write(const unsigned char* bytes, std::size_t count) override {
    return m_first.Write(bytes, count) && m_second.Write(bytes, count);
  }
  bool Flush() override { return m_first.Flush() && m_second.Flush(); }

 private:
  ByteSink& m_first;
  ByteSink& m_second;
};

// libjpeg destination manager writing through a 64 KB buffer to a sink,
// passing each block through an optional filter. A failed write is a fatal
// libjpeg error. The large blocks keep a photo's writes to a few dozen.
class JpegDestination {
 public:
  JpegDestination(ByteSink& sink, StreamFilter* filter);
  JpegDestination(const JpegDestination&) = delete;
  JpegDestination& operator=(const JpegDestination&) = delete;
  void Attach(j_compress_ptr info) { info->dest = &m_state.manager; }

 private:
  static constexpr std::size_t kBufferSize = 64 * 1024;
  struct State {
    jpeg_destination_mgr manager;  // first member: libjpeg hands its address back
    ByteSink* sink;
    StreamFilter* filter;
    std::unique_ptr<JOCTET[]> buffer;
  };
  static void Init(j_compress_ptr info);
  static boolean Empty(j_compress_ptr info);
  static void Term(j_compress_ptr info);
  static void Emit(j_compress_ptr info, std::size_t count);
  State m_state{};
};

}  // namespace pixcodec
