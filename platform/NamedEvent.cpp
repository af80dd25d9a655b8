#include "platform/NamedEvent.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <thread>

namespace bx {

struct NamedEvent::SharedState {
  std::atomic<uint32_t> ready;
  pthread_mutex_t mutex;
  pthread_cond_t condition;
  uint32_t signalled;
  // Bumped by every Set and Pulse, so a waiter notices a pulse it slept through.
  uint64_t generation;
};

namespace {

constexpr uint32_t kReadyMagic = 0x42584556;

std::string SharedName(const std::string& name) {
  std::string shared = "/bxevent.";
  for (char c : name) shared += c == '/' ? '_' : c;
  return shared;
}

void InitialiseState(auto* state) {
  pthread_mutexattr_t mutexAttr;
  pthread_mutexattr_init(&mutexAttr);
  pthread_mutexattr_setpshared(&mutexAttr, PTHREAD_PROCESS_SHARED);
  pthread_mutexattr_setrobust(&mutexAttr, PTHREAD_MUTEX_ROBUST);
  pthread_mutex_init(&state->mutex, &mutexAttr);
  pthread_mutexattr_destroy(&mutexAttr);
  pthread_condattr_t condAttr;
  pthread_condattr_init(&condAttr);
  pthread_condattr_setpshared(&condAttr, PTHREAD_PROCESS_SHARED);
  pthread_condattr_setclock(&condAttr, CLOCK_MONOTONIC);
  pthread_cond_init(&state->condition, &condAttr);
  pthread_condattr_destroy(&condAttr);
  state->signalled = 0;
  state->generation = 0;
  state->ready.store(kReadyMagic, std::memory_order_release);
}

// Maps the object once its creator has sized and initialised it (waiting up to a second).
template <class State>
State* MapExisting(int fd) {
  constexpr int kAttempts = 1000;
  int attempt = 0;
  struct stat info {};
  for (;;) {
    if (fstat(fd, &info) != 0) return nullptr;
    if (info.st_size >= static_cast<off_t>(sizeof(State))) break;
    if (++attempt == kAttempts) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  void* p = mmap(nullptr, sizeof(State), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (p == MAP_FAILED) return nullptr;
  auto* state = static_cast<State*>(p);
  while (state->ready.load(std::memory_order_acquire) != kReadyMagic) {
    if (++attempt == kAttempts) {
      munmap(p, sizeof(State));
      return nullptr;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return state;
}

template <class State>
State* OpenOrCreate(const std::string& sharedName) {
  int fd = shm_open(sharedName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0660);
  if (fd >= 0) {
    State* state = nullptr;
    if (ftruncate(fd, sizeof(State)) == 0) {
      void* p = mmap(nullptr, sizeof(State), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
      if (p != MAP_FAILED) {
        state = static_cast<State*>(p);
        InitialiseState(state);
      }
    }
    close(fd);
    return state;
  }
  if (errno != EEXIST) return nullptr;
  fd = shm_open(sharedName.c_str(), O_RDWR | O_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  State* state = MapExisting<State>(fd);
  close(fd);
  return state;
}

// Locks the shared mutex, repairing it when its previous owner died while holding it.
class SharedLock {
 public:
  explicit SharedLock(pthread_mutex_t* mutex) : mutex_(mutex) {
    if (pthread_mutex_lock(mutex_) == EOWNERDEAD) pthread_mutex_consistent(mutex_);
  }
  ~SharedLock() { pthread_mutex_unlock(mutex_); }
  SharedLock(const SharedLock&) = delete;
  SharedLock& operator=(const SharedLock&) = delete;

 private:
  pthread_mutex_t* mutex_;
};

timespec DeadlineAfter(uint32_t timeoutMs) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const long long ns = now.tv_nsec + static_cast<long long>(timeoutMs % 1000) * 1000000;
  now.tv_sec += timeoutMs / 1000 + ns / 1000000000;
  now.tv_nsec = ns % 1000000000;
  return now;
}

}  // namespace

// Wakes the waiters of the shared object when a local stop event is set.
class NamedEvent::StopObserver final : public EventObserver {
 public:
  explicit StopObserver(SharedState* state) : state_(state) {}
  void Notify() override {
    SharedLock lock(&state_->mutex);
    pthread_cond_broadcast(&state_->condition);
  }

 private:
  SharedState* state_;
};

NamedEvent::NamedEvent(const std::string& name)
    : name_(name), state_(OpenOrCreate<SharedState>(SharedName(name))) {}

NamedEvent::~NamedEvent() {
  if (state_) munmap(state_, sizeof(SharedState));
}

bool NamedEvent::Set() {
  if (!state_) return false;
  SharedLock lock(&state_->mutex);
  state_->signalled = 1;
  ++state_->generation;
  pthread_cond_broadcast(&state_->condition);
  return true;
}

bool NamedEvent::Reset() {
  if (!state_) return false;
  SharedLock lock(&state_->mutex);
  state_->signalled = 0;
  return true;
}

bool NamedEvent::Pulse() {
  if (!state_) return false;
  SharedLock lock(&state_->mutex);
  state_->signalled = 0;
  ++state_->generation;
  pthread_cond_broadcast(&state_->condition);
  return true;
}

bool NamedEvent::IsSet() const {
  if (!state_) return false;
  SharedLock lock(&state_->mutex);
  return state_->signalled != 0;
}

NamedEvent::WaitResult NamedEvent::Wait(uint32_t timeoutMs, const Event* stop) {
  if (!state_) return WaitResult::Failed;
  StopObserver observer(state_);
  if (stop) stop->AddObserver(&observer);
  const timespec deadline = DeadlineAfter(timeoutMs);
  WaitResult result = WaitResult::Timeout;
  {
    SharedLock lock(&state_->mutex);
    const uint64_t generation = state_->generation;
    for (;;) {
      if (state_->signalled || state_->generation != generation) {
        result = WaitResult::Signalled;
        break;
      }
      if (stop && stop->IsSet()) {
        result = WaitResult::Stopped;
        break;
      }
      if (timeoutMs == 0) break;
      const int rc = timeoutMs == Event::kInfinite
                         ? pthread_cond_wait(&state_->condition, &state_->mutex)
                         : pthread_cond_timedwait(&state_->condition, &state_->mutex, &deadline);
      if (rc == EOWNERDEAD) pthread_mutex_consistent(&state_->mutex);
      if (rc == ETIMEDOUT) {
        if (state_->signalled || state_->generation != generation) result = WaitResult::Signalled;
        break;
      }
    }
  }
  if (stop) stop->RemoveObserver(&observer);
  return result;
}

void NamedEvent::Remove(const std::string& name) { shm_unlink(SharedName(name).c_str()); }

}  // namespace bx
