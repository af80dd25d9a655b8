#include "pixlib/codecs/jpeg/JpegSource.h"

#include <jerror.h>

namespace pixcodec {

JpegSource::JpegSource(std::FILE* file, StreamFilter* filter) {
  m_state.file = file;
  m_state.filter = filter;
  m_state.manager = SourceManager(Init, Fill);
}

void JpegSource::Init(j_decompress_ptr info) { reinterpret_cast<State*>(info->src)->startOfFile = true; }

boolean JpegSource::Fill(j_decompress_ptr info) {
  auto* state = reinterpret_cast<State*>(info->src);
  const std::size_t count = std::fread(state->buffer, 1, kBufferSize, state->file);
  if (count == 0) {
    SupplyEndOfData(info, state->startOfFile);
  } else {
    if (state->filter != nullptr) state->filter->Apply(state->buffer, count);
    state->manager.next_input_byte = state->buffer;
    state->manager.bytes_in_buffer = count;
  }
  state->startOfFile = false;
  return TRUE;
}

void SupplyEndOfData(j_decompress_ptr info, bool startOfFile) {
  static const JOCTET kEndOfImage[] = {0xFF, JPEG_EOI};
  if (startOfFile) ERREXIT(info, JERR_INPUT_EMPTY);
  WARNMS(info, JWRN_JPEG_EOF);
  info->src->next_input_byte = kEndOfImage;
  info->src->bytes_in_buffer = sizeof kEndOfImage;
}

void SkipInputData(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* manager = info->src;
  while (count > static_cast<long>(manager->bytes_in_buffer)) {
    count -= static_cast<long>(manager->bytes_in_buffer);
    manager->fill_input_buffer(info);
  }
  manager->next_input_byte += count;
  manager->bytes_in_buffer -= static_cast<std::size_t>(count);
}

jpeg_source_mgr SourceManager(void (*init)(j_decompress_ptr), boolean (*fill)(j_decompress_ptr)) {
  jpeg_source_mgr manager{};
  manager.init_source = init;
  manager.fill_input_buffer = fill;
  manager.skip_input_data = SkipInputData;
  manager.resync_to_restart = jpeg_resync_to_restart;
  manager.term_source = [](j_decompress_ptr) {};
  return manager;
}

}  // namespace pixcodec
