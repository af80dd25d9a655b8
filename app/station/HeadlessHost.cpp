#include "app/station/HeadlessHost.h"

#include "pixlib/core/CxImage.h"

HeadlessHost::HeadlessHost(Reporter report) : m_report(std::move(report)) {}

bool HeadlessHost::WaitForImages(int count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_lock);
  return m_shown.wait_for(lock, timeout, [&] { return m_imagesShown >= count; });
}

int HeadlessHost::ImagesShown() const {
  std::lock_guard lock(m_lock);
  return m_imagesShown;
}

namespace {

// The image as the window would mark it: a photo's file and counter, or a set-up frame's size.
std::string Describe(const CxImage& image, const ShownImage& about) {
  switch (about.kind) {
    case ShownImage::Kind::SavedPhoto:
      return "Photo " + about.file + " saved (counter " + std::to_string(about.counter) + ")";
    case ShownImage::Kind::UnsavedPhoto:
      return "Photo not saved";
    case ShownImage::Kind::SetupFrame:
      break;
  }
  return "Image " + std::to_string(image.Width()) + "x" + std::to_string(image.Height());
}

}  // namespace

void HeadlessHost::ShowOutputImage(const CxImage& image, const ShownImage& about) {
  std::string line = Describe(image, about);
  if (m_status) line += ", " + m_status();
  m_report(line);
  {
    std::lock_guard lock(m_lock);
    ++m_imagesShown;
  }
  m_shown.notify_all();
}

void HeadlessHost::ShowPreview(const CxImage&) {}

void HeadlessHost::SetTitle(const std::string& title) {
  {
    std::lock_guard lock(m_lock);
    if (title == m_title) return;
    m_title = title;
  }
  m_report("Title: " + title);
}

void HeadlessHost::ActivePresetChanged(int preset) { m_report("Active preset " + std::to_string(preset)); }
