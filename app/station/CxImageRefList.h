#pragma once

#include <condition_variable>
#include <list>
#include <mutex>

class CxImage;

// Bounded hand-over of frames from the grab thread to the processing thread.
// Owns the images it holds. The "event" is signalled while entries are queued,
// and also after RemoveAll(true), which makes a waiting RemoveHead return null.
class CxImageRefList {
public:
    CxImageRefList() = default;
    CxImageRefList(const CxImageRefList&) = delete;
    CxImageRefList& operator=(const CxImageRefList&) = delete;
    ~CxImageRefList();

    int GetCount() const;
    void AddTail(CxImage* image);
    // Blocks until an image is queued or the list is woken; returns null when woken empty.
    CxImage* RemoveHead();
    // Deletes every queued image; wake = true releases a waiting RemoveHead with null.
    void RemoveAll(bool wake);

private:
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::list<CxImage*> m_images;
    bool m_signalled = false;
};
