#include "app/counter/CounterCommandHandler.h"

#include <cstdint>
#include <limits>
#include <mutex>

#include "app/counter/CounterSettingNames.h"
#include "platform/MachinePower.h"
#include "platform/OleDateTime.h"

namespace {

// Shut down, forcing programs closed.
constexpr int kForcedShutdown = 0;

// The one lock of the service: counter access and the payload handler.
std::mutex& ServerLock() {
  static std::mutex lock;
  return lock;
}

CounterPayloadHandler& InstalledPayloadHandler() {
  static CounterPayloadHandler handler;
  return handler;
}

}  // namespace

void CounterCommandHandler::SetPayloadHandler(CounterPayloadHandler handler) {
  std::lock_guard lock(ServerLock());
  InstalledPayloadHandler() = std::move(handler);
}

bool CounterCommandHandler::Perform(CounterMessage& message) {
  std::lock_guard lock(ServerLock());
  switch (static_cast<CounterCommand>(message.Code())) {
    case CounterCommand::GetNumber:
      message.SetValue(m_settings.GetProfileInt(kFilmSettings, kNextFilmNumber, 0));
      break;
    case CounterCommand::Allocate:
      if (!Allocate(message)) return false;
      break;
    case CounterCommand::SetNumber:
      m_settings.WriteProfileInt(kFilmSettings, kNextFilmNumber, message.Value());
      break;
    case CounterCommand::GetTime:
      message.SetDate(bx::OleDateTime::Now().Value());
      break;
    case CounterCommand::Shutdown:
      m_power.Shutdown(kForcedShutdown);
      break;
    case CounterCommand::Exchange:
      if (InstalledPayloadHandler()) InstalledPayloadHandler()(message.Payload());
      break;
  }
  message.SetCode(kCounterReplyMark);
  return true;
}

bool CounterCommandHandler::Allocate(CounterMessage& message) {
  const int first = m_settings.GetProfileInt(kFilmSettings, kNextFilmNumber, 0);
  const std::int64_t next = std::int64_t{first} + message.Value();
  if (next > std::numeric_limits<std::int32_t>::max() ||
      next < std::numeric_limits<std::int32_t>::min())
    return false;
  // A number handed out must survive a crash, so the store is written first.
  if (!m_settings.WriteProfileInt(kFilmSettings, kNextFilmNumber, static_cast<int>(next))) return false;
  message.SetValue(first);
  return true;
}
