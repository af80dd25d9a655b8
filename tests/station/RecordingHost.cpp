#include "RecordingHost.h"

#include "pixlib/core/CxImage.h"

#include <cstring>

namespace {

double MeanGreen(const CxImage& image) {
  if (image.SamplesPerPixel() != 3 || image.Width() == 0) return 0;
  double sum = 0;
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) sum += image.GetRowPtr(y)[3 * x + 1];
  return sum / (static_cast<double>(image.Width()) * image.Height());
}

}  // namespace

void RecordingHost::ShowOutputImage(const CxImage& image, const ShownImage& about) {
  const Shown shown{image.Width(), image.Height(), MeanGreen(image), about};
  {
    std::lock_guard lock(m_lock);
    m_images.push_back(shown);
  }
  m_changed.notify_all();
}

void RecordingHost::ShowPreview(const CxImage& preview) {
  {
    std::lock_guard lock(m_lock);
    ++m_previews;
    m_previewSize = {preview.Width(), preview.Height(), 0, {}};
    m_preview.resize(static_cast<size_t>(3) * preview.Width() * preview.Height());
    for (int y = 0; y < preview.Height(); ++y)
      std::memcpy(&m_preview[static_cast<size_t>(3) * preview.Width() * y], preview.GetRowPtr(y),
                  static_cast<size_t>(3) * preview.Width());
  }
  m_changed.notify_all();
}

void RecordingHost::SetTitle(const std::string& title) {
  std::lock_guard lock(m_lock);
  m_title = title;
}

void RecordingHost::ActivePresetChanged(int preset) {
  std::lock_guard lock(m_lock);
  m_preset = preset;
}

bool RecordingHost::WaitForImages(size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_lock);
  return m_changed.wait_for(lock, timeout, [&] { return m_images.size() >= count; });
}

bool RecordingHost::WaitForPreviews(size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_lock);
  return m_changed.wait_for(lock, timeout, [&] { return m_previews >= count; });
}

std::vector<RecordingHost::Shown> RecordingHost::Images() const {
  std::lock_guard lock(m_lock);
  return m_images;
}

std::vector<unsigned char> RecordingHost::LastPreview(Shown& size) const {
  std::lock_guard lock(m_lock);
  size = m_previewSize;
  return m_preview;
}

std::string RecordingHost::Title() const {
  std::lock_guard lock(m_lock);
  return m_title;
}

int RecordingHost::LastPreset() const {
  std::lock_guard lock(m_lock);
  return m_preset;
}
