#include "pylon/aravis/LostCameraRelease.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/ThreadName.h"

namespace Pylon {

namespace {

// One thread, started with the first lost camera, releases them in turn.
class LostCameraReleaser {
 public:
  ~LostCameraReleaser() {
    {
      std::lock_guard lock(m_mutex);
      m_ending = true;
    }
    m_wake.notify_one();
    if (m_worker.joinable()) m_worker.join();
  }

  void Release(ArvCamera* camera) {
    {
      std::lock_guard lock(m_mutex);
      m_pending.push_back(camera);
      if (!m_worker.joinable()) m_worker = std::thread(&LostCameraReleaser::Run, this);
    }
    m_wake.notify_one();
  }

 private:
  void Run() {
    bx::NameThisThread("bx-arv-release");
    std::unique_lock lock(m_mutex);
    for (;;) {
      m_wake.wait(lock, [this] { return m_ending || !m_pending.empty(); });
      if (m_pending.empty()) return;
      ArvCamera* camera = m_pending.front();
      m_pending.pop_front();
      lock.unlock();
      g_object_unref(camera);
      lock.lock();
    }
  }

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<ArvCamera*> m_pending;
  bool m_ending = false;
  std::thread m_worker;
};

}  // namespace

void ReleaseLostCamera(ArvCamera* camera) {
  static LostCameraReleaser releaser;
  releaser.Release(camera);
}

}  // namespace Pylon
