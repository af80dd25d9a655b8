#include "app/counter/CRemoteCounterClient.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "app/counter/CounterLock.h"
#include "app/counter/CounterSettingNames.h"
#include "app/counter/StoredCounter.h"
#include "app/counter/SocketHandle.h"
#include "platform/OleDateTime.h"

namespace {

CounterServerAddress AddressOf(const char* server) {
  return CounterServerAddress::Parse(server ? server : "");
}

}  // namespace

CRemoteCounterClient::CRemoteCounterClient(ICounterSettings& settings, std::chrono::milliseconds timeout)
    : m_settings(settings),
      m_timeout(timeout),
      m_basePort(settings.GetProfileInt(kDatabaseSettings, kCounterPort, kDefaultCounterPort)) {}

std::optional<CounterMessage> CRemoteCounterClient::Transact(const CounterMessage& request,
                                                             const CounterServerAddress& address) {
  const std::optional<int> port = CounterServerPort(m_basePort, address.suffix);
  if (!port) return std::nullopt;
  const Deadline deadline = std::chrono::steady_clock::now() + m_timeout;
  const SocketHandle connection = ConnectTcp(address.host, *port, deadline);
  if (!connection.IsValid()) return std::nullopt;
  CounterMessage reply;
  if (WriteAll(connection.Get(), request.bytes(), deadline) != IoResult::Done ||
      ReadExactly(connection.Get(), reply.bytes(), deadline) != IoResult::Done)
    return std::nullopt;
  return reply;
}

// (Next - 1) x Delta + Offset for a stored Next; nothing when it does not fit an int.
std::optional<int> CRemoteCounterClient::LocalFilmNumber(std::int64_t next) {
  const std::int64_t delta = m_settings.GetProfileInt(kFilmSettings, kDeltaFilmNumber, 1);
  const std::int64_t offset = m_settings.GetProfileInt(kFilmSettings, kOffsetFilmNumber, 1);
  const std::int64_t number = (next - 1) * delta + offset;
  if (number > std::numeric_limits<int>::max() || number < std::numeric_limits<int>::min())
    return std::nullopt;
  return static_cast<int>(number);
}

bool CRemoteCounterClient::GetFilmNumber(int* number, const char* server) {
  const CounterServerAddress address = AddressOf(server);
  if (address.local) {
    std::lock_guard lock(CounterLock());
    const std::optional<int> next = ReadStoredCounter(m_settings, 1);
    const std::optional<int> local = next ? LocalFilmNumber(*next) : std::nullopt;
    if (local) *number = *local;
    return local.has_value();
  }
  const auto reply = Transact(CounterMessage::Request(CounterCommand::GetNumber), address);
  if (!reply) return false;
  *number = reply->Value();
  return reply->IsReply();
}

bool CRemoteCounterClient::AllocateFilmNumbers(int* first, int count, const char* server) {
  const CounterServerAddress address = AddressOf(server);
  if (address.local) {
    // The same lock as the served counter of this process, which counts in the same setting.
    std::lock_guard lock(CounterLock());
    const std::optional<int> stored = ReadStoredCounter(m_settings, 1);
    if (!stored || count < 1) return false;
    const std::optional<int> local = LocalFilmNumber(*stored);
    const std::int64_t next = std::int64_t{*stored} + count;
    if (!local || next > std::numeric_limits<int>::max()) return false;
    if (!m_settings.WriteProfileInt(kFilmSettings, kNextFilmNumber, static_cast<int>(next))) return false;
    *first = *local;
    return true;
  }
  CounterMessage request = CounterMessage::Request(CounterCommand::Allocate);
  request.SetValue(count);
  const auto reply = Transact(request, address);
  if (!reply) return false;
  *first = reply->Value();
  return reply->IsReply();
}

bool CRemoteCounterClient::SetFilmNumber(int number, const char* server) {
  const CounterServerAddress address = AddressOf(server);
  if (address.local) {
    std::lock_guard lock(CounterLock());
    return m_settings.WriteProfileInt(kFilmSettings, kNextFilmNumber, number);
  }
  CounterMessage request = CounterMessage::Request(CounterCommand::SetNumber);
  request.SetValue(number);
  const auto reply = Transact(request, address);
  return reply && reply->IsReply();
}

bool CRemoteCounterClient::GetServerTime(bx::OleDateTime* date, const char* server) {
  const CounterServerAddress address = AddressOf(server);
  if (address.local) {
    *date = bx::OleDateTime::Now();
    return true;
  }
  const auto reply = Transact(CounterMessage::Request(CounterCommand::GetTime), address);
  if (!reply) return false;
  *date = bx::OleDateTime(reply->Date());
  return reply->IsReply();
}

bool CRemoteCounterClient::ShutdownServer(const char* server) {
  const auto reply = Transact(CounterMessage::Request(CounterCommand::Shutdown), AddressOf(server));
  return reply && reply->IsReply();
}

bool CRemoteCounterClient::Exchange(void* payload, int size, const char* server) {
  const std::size_t length = std::clamp<std::size_t>(size < 0 ? 0 : size, 0, kCounterPayloadSize);
  CounterMessage request = CounterMessage::Request(CounterCommand::Exchange);
  std::memcpy(request.Payload().data(), payload, length);
  const auto reply = Transact(request, AddressOf(server));
  if (!reply) return false;
  std::memcpy(payload, reply->Payload().data(), length);
  return reply->IsReply();
}

bool CRemoteCounterClient::ExchangeInt(int* value, const char* server) {
  return Exchange(value, sizeof(*value), server);
}
