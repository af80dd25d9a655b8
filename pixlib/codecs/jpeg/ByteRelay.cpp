#include "pixlib/codecs/jpeg/ByteRelay.h"

#include <new>

#include "pixlib/codecs/jpeg/JpegSource.h"

namespace pixcodec {

ByteRelay::ByteRelay() {
  m_reader.relay = this;
  m_reader.manager = SourceManager(Init, Fill);
}

bool ByteRelay::Write(const unsigned char* bytes, std::size_t count) {
  if (count == 0) return true;  // libjpeg would take an empty refill for data
  try {
    std::vector<unsigned char> block(bytes, bytes + count);
    std::lock_guard lock(m_lock);
    m_blocks.push_back(std::move(block));
  } catch (const std::bad_alloc&) {
    return false;
  }
  m_arrived.notify_one();
  return true;
}

void ByteRelay::Close() {
  {
    std::lock_guard lock(m_lock);
    m_closed = true;
  }
  m_arrived.notify_one();
}

void ByteRelay::Init(j_decompress_ptr info) { reinterpret_cast<Reader*>(info->src)->nextBlock = 0; }

// The end of the data is reported only after the lock is released: libjpeg
// leaves a fatal error by a long jump, which would skip the lock's release.
boolean ByteRelay::Fill(j_decompress_ptr info) {
  auto* reader = reinterpret_cast<Reader*>(info->src);
  if (!reader->relay->NextBlock(*reader)) SupplyEndOfData(info, reader->nextBlock == 0);
  return TRUE;
}

bool ByteRelay::NextBlock(Reader& reader) {
  std::unique_lock lock(m_lock);
  m_arrived.wait(lock, [&] { return m_closed || reader.nextBlock < m_blocks.size(); });
  if (reader.nextBlock == m_blocks.size()) return false;
  const std::vector<unsigned char>& block = m_blocks[reader.nextBlock++];
  reader.manager.next_input_byte = block.data();
  reader.manager.bytes_in_buffer = block.size();
  return true;
}

}  // namespace pixcodec
