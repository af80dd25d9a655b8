#pragma once

#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>

class CxImage;

// Bounded hand-over of frames from the grab thread to the processing thread.
// Owns the images it holds. A stop is a state the list keeps: once stopped,
// RemoveHead returns null (also for images queued afterwards) until
// RemoveAll(false) opens the list for the next run.
class CxImageRefList {
 public:
  CxImageRefList() = default;
  CxImageRefList(const CxImageRefList&) = delete;
  CxImageRefList& operator=(const CxImageRefList&) = delete;
  ~CxImageRefList();

  int GetCount() const;
  void AddTail(CxImage* image);
  // Blocks until an image is queued or the list is stopped; null when stopped.
  // `queuedAt`, when given, receives when the image was added.
  CxImage* RemoveHead(std::chrono::steady_clock::time_point* queuedAt = nullptr);
  // Deletes every queued image. wake = true stops the list, which releases a
  // waiting RemoveHead with null; wake = false opens it for a new run.
  // Returns how many images were deleted.
  int RemoveAll(bool wake);
  // The images queued now are still handed out; then the list stops as
  // RemoveAll(true) would. Images added meanwhile stay queued, unhanded.
  void StopAfterQueued();

 private:
  enum class State { Open, Draining, Stopped };

  mutable std::mutex m_lock;
  std::condition_variable m_changed;
  struct Entry {
    CxImage* image;
    std::chrono::steady_clock::time_point queuedAt;
  };
  std::list<Entry> m_images;
  State m_state = State::Open;
  size_t m_drainLeft = 0;  // images RemoveHead still hands out while draining
};
