#include "pixlib/codecs/jpeg/JpegDestination.h"

#include <new>

#include <jerror.h>

namespace pixcodec {

bool FileSink::Write(const unsigned char* bytes, std::size_t count) {
  return std::fwrite(bytes, 1, count, m_file) == count;
}

bool FileSink::Flush() { return std::fflush(m_file) == 0 && !std::ferror(m_file); }

bool VectorSink::Write(const unsigned char* bytes, std::size_t count) {
  try {
    m_bytes.insert(m_bytes.end(), bytes, bytes + count);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

JpegDestination::JpegDestination(ByteSink& sink, StreamFilter* filter) {
  m_state.buffer = std::make_unique<JOCTET[]>(kBufferSize);
  m_state.sink = &sink;
  m_state.filter = filter;
  m_state.manager.init_destination = Init;
  m_state.manager.empty_output_buffer = Empty;
  m_state.manager.term_destination = Term;
}

void JpegDestination::Init(j_compress_ptr info) {
  auto* state = reinterpret_cast<State*>(info->dest);
  state->manager.next_output_byte = state->buffer.get();
  state->manager.free_in_buffer = kBufferSize;
}

void JpegDestination::Emit(j_compress_ptr info, std::size_t count) {
  auto* state = reinterpret_cast<State*>(info->dest);
  if (state->filter != nullptr) state->filter->Apply(state->buffer.get(), count);
  if (!state->sink->Write(state->buffer.get(), count)) ERREXIT(info, JERR_FILE_WRITE);
}

boolean JpegDestination::Empty(j_compress_ptr info) {
  Emit(info, kBufferSize);
  Init(info);
  return TRUE;
}

void JpegDestination::Term(j_compress_ptr info) {
  auto* state = reinterpret_cast<State*>(info->dest);
  Emit(info, kBufferSize - state->manager.free_in_buffer);
  if (!state->sink->Flush()) ERREXIT(info, JERR_FILE_WRITE);
}

}  // namespace pixcodec
