#include "app/numbering/CPhotoNumbering.h"

#include <ctime>

#include "app/counter/CRemoteCounterClient.h"
#include "app/counter/CounterSettingNames.h"
#include "app/numbering/ImageTreePaths.h"
#include "platform/LogTrace.h"
#include "platform/SerialPort.h"

namespace {

constexpr char kProgramSettings[] = "Program Settings";
constexpr std::chrono::milliseconds kPulseTime{100};
constexpr std::chrono::milliseconds kResetTime{1000};
constexpr double kSecondsPerDay = 86400.0;

void Log(const std::string& text) { TheLog().WriteLine(text); }

}  // namespace

CPhotoNumbering::CPhotoNumbering(ICounterSettings& settings, CRemoteCounterClient& client,
                                 INumberingClock& clock, bx::SerialPort* serialPort)
    : m_settings(settings),
      m_client(client),
      m_clock(clock),
      m_serialPort(serialPort),
      m_chunkStart(clock.Now()) {}

int CPhotoNumbering::FilmNumberOf(INumberingClock::TimePoint captureTime) {
  const std::time_t time = std::chrono::system_clock::to_time_t(captureTime);
  std::tm local{};
  if (::localtime_r(&time, &local) == nullptr) return -1;
  return local.tm_wday + 1;
}

std::optional<PhotoNumber> CPhotoNumbering::NumberPhoto(const std::string& server, int showDelaySeconds) {
  const bx::OleDateTime serverDate = ServerDate(server);
  const std::optional<int> counter = NextCounter(server);
  if (!counter) return std::nullopt;
  PhotoNumber number;
  number.counter = *counter;
  number.date = bx::OleDateTime(serverDate.Value() + showDelaySeconds / kSecondsPerDay);
  number.fileName = PhotoFileName(*counter);
  if (ExternalCounterEnabled()) PulseExternalCounter(1);
  return number;
}

bx::OleDateTime CPhotoNumbering::ServerDate(const std::string& server) {
  bx::OleDateTime date;
  if (m_client.GetServerTime(&date, server.c_str()) && date.IsValid()) return date;
  Log("Film number server " + server + " gave no date: using the local clock");
  return bx::OleDateTime::FromTimeT(std::chrono::system_clock::to_time_t(m_clock.Now()));
}

std::optional<int> CPhotoNumbering::NextCounter(const std::string& server) {
  const int autoIncrease = m_settings.GetProfileInt(kDatabaseSettings, "Auto Increase", 1);
  const int chunkSize = m_settings.GetProfileInt(kDatabaseSettings, "Chunk Allocation", 0);
  if (autoIncrease == 0) {
    int current = 0;
    if (m_client.GetFilmNumber(&current, server.c_str())) return current - 1;
    Log("Film number server " + server + " unreachable: cannot read the film number");
    return std::nullopt;
  }
  if (chunkSize <= 0) {
    int first = 0;
    if (m_client.AllocateFilmNumbers(&first, 1, server.c_str())) return first;
    Log("Film number server " + server + " unreachable: no counter allocated");
    return std::nullopt;
  }
  return NextChunkedCounter(server, chunkSize);
}

std::optional<int> CPhotoNumbering::NextChunkedCounter(const std::string& server, int chunkSize) {
  const int maxChunkTime = m_settings.GetProfileInt(kDatabaseSettings, "Max Chunk Time", 20);
  const auto now = m_clock.Now();
  // A chunk whose size setting changed is abandoned too, so that no number
  // beyond the ones actually allocated is ever used.
  const bool expired = now - m_chunkStart > std::chrono::seconds(maxChunkTime);
  if (m_chunkUsed >= m_chunkSize || m_chunkSize != chunkSize || expired) {
    int first = 0;
    m_chunkSize = 0;
    if (!m_client.AllocateFilmNumbers(&first, chunkSize, server.c_str())) {
      Log("Film number server " + server + " unreachable: no chunk allocated");
      return std::nullopt;
    }
    m_chunkBase = first;
    m_chunkSize = chunkSize;
    m_chunkUsed = 0;
    m_chunkStart = now;
  }
  return m_chunkBase + m_chunkUsed++;
}

void CPhotoNumbering::ResetExternalCounter(const std::string& server) {
  if (!ExternalCounterEnabled()) return;
  int current = 0;
  if (!m_client.GetFilmNumber(&current, server.c_str())) {
    Log("Film number server " + server + " unreachable: external counter not reset");
    return;
  }
  if (!SerialPortOpen()) return;
  m_serialPort->SetBreak(true);
  m_clock.Sleep(kResetTime);
  m_serialPort->SetBreak(false);
  PulseExternalCounter(current);
}

void CPhotoNumbering::PulseExternalCounter(int n) {
  if (!SerialPortOpen()) return;
  for (int i = 0; i < n; ++i) {
    m_clock.Sleep(kPulseTime);
    m_serialPort->SetBreak(true);
    m_clock.Sleep(kPulseTime);
    m_serialPort->SetBreak(false);
  }
}

bool CPhotoNumbering::ExternalCounterEnabled() const {
  return m_settings.GetProfileInt(kProgramSettings, "External Counter", 0) != 0;
}

bool CPhotoNumbering::SerialPortOpen() const { return m_serialPort != nullptr && m_serialPort->IsOpen(); }
