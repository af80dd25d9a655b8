#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

#include <jpeglib.h>

#include "pixlib/codecs/jpeg/JpegDestination.h"

namespace pixcodec {

// Keeps the bytes written to it for one reader on another thread, a libjpeg
// source that decodes them as they come: it waits for more until the writer
// closes the relay.
class ByteRelay : public ByteSink {
 public:
  ByteRelay();
  ByteRelay(const ByteRelay&) = delete;
  ByteRelay& operator=(const ByteRelay&) = delete;

  bool Write(const unsigned char* bytes, std::size_t count) override;
  // No more bytes come: the reader then finds the end of the data.
  void Close();

  jpeg_source_mgr& Source() { return m_reader.manager; }

 private:
  struct Reader {
    jpeg_source_mgr manager;  // first member: libjpeg hands its address back
    ByteRelay* relay;
    std::size_t nextBlock;
  };
  static void Init(j_decompress_ptr info);
  static boolean Fill(j_decompress_ptr info);
  // Waits for the next block; false when the relay was closed before it came.
  bool NextBlock(Reader& reader);

  std::mutex m_lock;
  std::condition_variable m_arrived;
  std::vector<std::vector<unsigned char>> m_blocks;
  bool m_closed = false;
  Reader m_reader{};
};

}  // namespace pixcodec
