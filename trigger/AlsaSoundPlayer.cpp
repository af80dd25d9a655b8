#include "trigger/SoundPlayer.h"

#include "trigger/WaveFile.h"

#include <alsa/asoundlib.h>

namespace {

constexpr unsigned kLatencyUs = 100000;

snd_pcm_format_t AlsaFormat(int bits) {
  switch (bits) {
    case 8:
      return SND_PCM_FORMAT_U8;
    case 16:
      return SND_PCM_FORMAT_S16_LE;
    case 24:
      return SND_PCM_FORMAT_S24_3LE;
    default:
      return SND_PCM_FORMAT_S32_LE;
  }
}

// ALSA reports a missing card on standard error; the player logs it itself.
void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

// The device closed on every path.
struct PcmHandle {
  snd_pcm_t* pcm = nullptr;
  ~PcmHandle() {
    if (pcm) {
      snd_pcm_drain(pcm);
      snd_pcm_close(pcm);
    }
  }
};

}  // namespace

AlsaSoundPlayer::AlsaSoundPlayer(Logger log, std::string device)
    : m_log(std::move(log)), m_device(std::move(device)) {
  snd_lib_error_set_handler(SilentAlsaError);
  m_thread = std::thread([this] { Run(); });
}

AlsaSoundPlayer::~AlsaSoundPlayer() {
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
  }
  m_wake.notify_all();
  m_thread.join();
}

void AlsaSoundPlayer::Play(const std::string& path) {
  {
    std::lock_guard lock(m_mutex);
    m_next = path;
  }
  m_wake.notify_all();
}

void AlsaSoundPlayer::WaitIdle() {
  std::unique_lock lock(m_mutex);
  m_wake.wait(lock, [this] { return !m_next && !m_busy; });
}

void AlsaSoundPlayer::Run() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_stopping || m_next; });
    if (m_stopping) return;
    const std::string path = std::move(*m_next);
    m_next.reset();
    m_busy = true;
    lock.unlock();
    PlayFile(path);
    lock.lock();
    m_busy = false;
    m_wake.notify_all();
  }
}

void AlsaSoundPlayer::PlayFile(const std::string& path) {
  WaveSound sound;
  std::string error;
  if (!ReadWaveFile(path, sound, error)) {
    m_log("Sound " + path + ": " + error);
    return;
  }
  PcmHandle handle;
  int rc = snd_pcm_open(&handle.pcm, m_device.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
  if (rc < 0) {
    handle.pcm = nullptr;
    if (!m_noDeviceLogged) m_log(std::string("No sound device: ") + snd_strerror(rc));
    m_noDeviceLogged = true;
    return;
  }
  rc = snd_pcm_set_params(handle.pcm, AlsaFormat(sound.bitsPerSample), SND_PCM_ACCESS_RW_INTERLEAVED,
                          static_cast<unsigned>(sound.channels), static_cast<unsigned>(sound.sampleRate), 1,
                          kLatencyUs);
  if (rc < 0) {
    m_log("Sound " + path + ": " + snd_strerror(rc));
    return;
  }
  const uint8_t* data = sound.samples.data();
  snd_pcm_uframes_t left = sound.FrameCount();
  while (left > 0) {
    snd_pcm_sframes_t written = snd_pcm_writei(handle.pcm, data, left);
    if (written < 0) written = snd_pcm_recover(handle.pcm, static_cast<int>(written), 1);
    if (written < 0) {
      m_log("Sound " + path + ": " + snd_strerror(static_cast<int>(written)));
      return;
    }
    data += static_cast<size_t>(written) * sound.FrameBytes();
    left -= static_cast<snd_pcm_uframes_t>(written);
  }
}
