#include "platform/NamedEvent.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <ctime>
#include <thread>

namespace bx {

// Waiters sleep on a futex word of the shared object, not on a process-shared
// condition variable: a process killed while waiting on one of those stays
// counted in it, and every later Set of the event would block for good; the
// kernel simply forgets a dead futex waiter. No lock is needed: each field is
// a word of its own, changed atomically.
struct NamedEvent::SharedState {
  std::atomic<uint32_t> ready;
  std::atomic<uint32_t> signalled;
  // Bumped by every Set and Pulse, so a waiter notices a pulse it slept through.
  std::atomic<uint32_t> generation;
  // Bumped by whatever must wake the waiters (a Set, a Pulse, a local stop
  // event); the futex word they sleep on.
  std::atomic<uint32_t> wakeups;
};

namespace {

// Another layout than the events of earlier versions had (a mutex and a
// condition variable), so another name: the two never map each other's objects.
constexpr uint32_t kReadyMagic = 0x42584632;

std::string SharedName(const std::string& name) {
  std::string shared = "/bxevent2.";
  for (char c : name) shared += c == '/' ? '_' : c;
  return shared;
}

void InitialiseState(auto* state) {
  state->signalled = 0;
  state->generation = 0;
  state->wakeups = 0;
  state->ready.store(kReadyMagic, std::memory_order_release);
}

static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t) &&
              std::atomic<uint32_t>::is_always_lock_free);

uint32_t* FutexWord(std::atomic<uint32_t>& word) { return reinterpret_cast<uint32_t*>(&word); }

// Wakes every process sleeping on the word.
void WakeAll(std::atomic<uint32_t>& word) {
  word.fetch_add(1);
  syscall(SYS_futex, FutexWord(word), FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
}

// Sleeps while the word holds `seen`, until `deadline` (none: without limit);
// false once the deadline has passed.
bool SleepWhile(std::atomic<uint32_t>& word, uint32_t seen, const timespec* deadline) {
  // FUTEX_WAIT_BITSET takes an absolute time on the clock it is told.
  const int rc =
      syscall(SYS_futex, FutexWord(word), FUTEX_WAIT_BITSET, seen, deadline, nullptr, FUTEX_BITSET_MATCH_ANY);
  return rc == 0 || errno != ETIMEDOUT;
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
  void Notify() override { WakeAll(state_->wakeups); }

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
  state_->signalled = 1;
  ++state_->generation;
  WakeAll(state_->wakeups);
  return true;
}

bool NamedEvent::Reset() {
  if (!state_) return false;
  state_->signalled = 0;
  return true;
}

bool NamedEvent::Pulse() {
  if (!state_) return false;
  state_->signalled = 0;
  ++state_->generation;
  WakeAll(state_->wakeups);
  return true;
}

bool NamedEvent::IsSet() const { return state_ && state_->signalled != 0; }

NamedEvent::WaitResult NamedEvent::Wait(uint32_t timeoutMs, const Event* stop) {
  if (!state_) return WaitResult::Failed;
  StopObserver observer(state_);
  if (stop) stop->AddObserver(&observer);
  const timespec deadline = DeadlineAfter(timeoutMs);
  const uint32_t generation = state_->generation;
  WaitResult result = WaitResult::Timeout;
  for (;;) {
    // Read first: whatever wakes the waiters after this changes it, and the sleep
    // below then returns at once.
    const uint32_t wakeups = state_->wakeups;
    if (state_->signalled || state_->generation != generation) {
      result = WaitResult::Signalled;
      break;
    }
    if (stop && stop->IsSet()) {
      result = WaitResult::Stopped;
      break;
    }
    if (timeoutMs == 0 ||
        !SleepWhile(state_->wakeups, wakeups, timeoutMs == Event::kInfinite ? nullptr : &deadline)) {
      if (state_->signalled || state_->generation != generation) result = WaitResult::Signalled;
      break;
    }
  }
  if (stop) stop->RemoveObserver(&observer);
  return result;
}

void NamedEvent::Remove(const std::string& name) { shm_unlink(SharedName(name).c_str()); }

}  // namespace bx
