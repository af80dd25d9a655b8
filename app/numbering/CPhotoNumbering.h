#pragma once

#include <optional>
#include <string>

#include "app/counter/CounterSettings.h"
#include "app/numbering/NumberingClock.h"
#include "platform/OleDateTime.h"

class CRemoteCounterClient;
namespace bx {
class SerialPort;
}  // namespace bx

// The numbers of one photo.
struct PhotoNumber {
  int counter = 0;
  bx::OleDateTime date;  // server date plus the show delay
  std::string fileName;  // "img%d.jpg"
};

// Numbers photos for the save sequence: counter (single, chunked or reused),
// date, file name and the external hardware counter on the serial port.
// Settings are read on every photo, so changes apply at the next one.
//
// Use from the save sequence:
//   film = CPhotoNumbering::FilmNumberOf(clock.Now());        // "RULLINO"
//   auto number = numbering.NumberPhoto(serverName, showDelay);
//   if (!number) { status = "Ko"; return; }                    // logged why
//   paths = ImageTreePaths::For(databasePath, operatorName, film, number->counter);
// and at the start of acquisition: numbering.ResetExternalCounter(serverName).
class CPhotoNumbering {
 public:
  // `serialPort` may be null (no port: the external counter does nothing).
  CPhotoNumbering(ICounterSettings& settings, CRemoteCounterClient& client, INumberingClock& clock,
                  bx::SerialPort* serialPort);

  // Film number of a capture time: 1 = Sunday ... 7 = Saturday, -1 when the
  // local date cannot be formed.
  static int FilmNumberOf(INumberingClock::TimePoint captureTime);

  // Counter, date and file name of the next photo, then one pulse of the
  // external counter. Nothing when no counter could be obtained: a number
  // given out before is never handed out again in its place.
  std::optional<PhotoNumber> NumberPhoto(const std::string& server, int showDelaySeconds);

  // Shows the current film number on the external counter: reset by a
  // 1000 ms break, then one pulse per number.
  void ResetExternalCounter(const std::string& server);

  // n pulses: 100 ms idle, then 100 ms break; only with an open port.
  void PulseExternalCounter(int n);

 private:
  std::optional<int> NextCounter(const std::string& server);
  std::optional<int> NextChunkedCounter(const std::string& server, int chunkSize);
  bx::OleDateTime ServerDate(const std::string& server);
  bool ExternalCounterEnabled() const;
  bool SerialPortOpen() const;

  ICounterSettings& m_settings;
  CRemoteCounterClient& m_client;
  INumberingClock& m_clock;
  bx::SerialPort* m_serialPort;

  // The open chunk: its first counter, its size, how many are used, when it
  // was allocated. A chunk of size 0 is none: the first photo opens one.
  int m_chunkBase = 0;
  int m_chunkSize = 0;
  int m_chunkUsed = 0;
  INumberingClock::TimePoint m_chunkStart;
};
