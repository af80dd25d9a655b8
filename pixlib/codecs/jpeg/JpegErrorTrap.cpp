#include "pixlib/codecs/jpeg/JpegErrorTrap.h"

namespace pixcodec {

JpegErrorTrap::JpegErrorTrap() {
  jpeg_std_error(&m_trap.manager);
  m_trap.manager.error_exit = OnError;
  m_trap.manager.output_message = OnMessage;
}

void JpegErrorTrap::OnError(j_common_ptr info) {
  auto* trap = reinterpret_cast<Trap*>(info->err);
  (*info->err->format_message)(info, trap->message);
  std::longjmp(trap->jump, 1);
}

// Keeps the first message instead of printing it.
void JpegErrorTrap::OnMessage(j_common_ptr info) {
  auto* trap = reinterpret_cast<Trap*>(info->err);
  if (trap->message[0] == '\0') (*info->err->format_message)(info, trap->message);
}

}  // namespace pixcodec
