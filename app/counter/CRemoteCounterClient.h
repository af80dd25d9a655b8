#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "app/counter/CounterMessage.h"
#include "app/counter/CounterSettings.h"
#include "app/counter/CounterServerAddress.h"

namespace bx {
class OleDateTime;
}  // namespace bx

// The film-number client. Each call is one transaction with the server named
// by `server` (one connection, one message each way, 10 s time-out), or, for
// "localhost", local counting in this station's "Film Settings".
class CRemoteCounterClient {
 public:
  static constexpr std::chrono::milliseconds kDefaultTimeout{10000};

  // Reads the base port ("Counter Port" of "Database Settings") once, here.
  explicit CRemoteCounterClient(ICounterSettings& settings,
                                std::chrono::milliseconds timeout = kDefaultTimeout);

  bool GetFilmNumber(int* number, const char* server);
  bool AllocateFilmNumbers(int* first, int count, const char* server);
  bool SetFilmNumber(int number, const char* server);
  bool GetServerTime(bx::OleDateTime* date, const char* server);
  bool ShutdownServer(const char* server);
  // Sends the first min(size, 16) bytes of the payload and copies the reply back.
  bool Exchange(void* payload, int size, const char* server);
  bool ExchangeInt(int* value, const char* server);

 private:
  // Sends the request; the reply when 24 bytes came back, valid or not.
  std::optional<CounterMessage> Transact(const CounterMessage& request, const CounterServerAddress& address);
  std::optional<int> LocalFilmNumber(std::int64_t next);

  ICounterSettings& m_settings;
  std::chrono::milliseconds m_timeout;
  int m_basePort;
};
