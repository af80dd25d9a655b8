#include "app/station/CxImageRefList.h"

#include "pixlib/core/CxImage.h"

CxImageRefList::~CxImageRefList() { RemoveAll(true); }

int CxImageRefList::GetCount() const
{
    std::lock_guard lock(m_lock);
    return static_cast<int>(m_images.size());
}

void CxImageRefList::AddTail(CxImage* image)
{
    {
        std::lock_guard lock(m_lock);
        m_images.push_back(image);
        m_signalled = true;
    }
    m_changed.notify_all();
}

CxImage* CxImageRefList::RemoveHead()
{
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [this] { return m_signalled; });
    if (m_images.empty())
        return nullptr;
    CxImage* head = m_images.front();
    m_images.pop_front();
    if (m_images.empty())
        m_signalled = false;
    return head;
}

void CxImageRefList::RemoveAll(bool wake)
{
    std::list<CxImage*> discarded;
    {
        std::lock_guard lock(m_lock);
        discarded.swap(m_images);
        m_signalled = wake;
    }
    m_changed.notify_all();
    for (CxImage* image : discarded)
        delete image;
}
