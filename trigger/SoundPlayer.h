#pragma once
// Plays the trigger sound without holding up the caller.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class ISoundPlayer {
 public:
  virtual ~ISoundPlayer() = default;
  // Starts playing the wave file and returns at once.
  virtual void Play(const std::string& path) = 0;
};

// Plays wave files through ALSA on a worker thread of its own. A sound asked for
// while another plays replaces any that waits. A missing sound device is not an
// error: it is logged once and sounds are dropped; an unreadable file is logged.
class AlsaSoundPlayer final : public ISoundPlayer {
 public:
  using Logger = std::function<void(const std::string&)>;

  explicit AlsaSoundPlayer(Logger log, std::string device = "default");
  ~AlsaSoundPlayer() override;
  AlsaSoundPlayer(const AlsaSoundPlayer&) = delete;
  AlsaSoundPlayer& operator=(const AlsaSoundPlayer&) = delete;

  void Play(const std::string& path) override;
  // Waits until nothing plays or waits (for tests and orderly shutdown).
  void WaitIdle();

 private:
  void Run();
  void PlayFile(const std::string& path);

  Logger m_log;
  const std::string m_device;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::optional<std::string> m_next;
  bool m_busy = false;
  bool m_stopping = false;
  bool m_noDeviceLogged = false;
  std::thread m_thread;
};
