// The frame path: the grab thread's callback and the processing thread.
#include "app/station/CGrabberDlg.h"

#include "platform/LogTrace.h"
#include "app/station/FrameRotation.h"
#include "app/station/IStationHost.h"
#include "app/station/ShotStages.h"
#include "platform/ThreadName.h"

#include <cstring>
#include <memory>

namespace {

constexpr int kPreviewDecimation = 4;

}  // namespace

void CGrabberDlg::OnNewImage(IplImage* frame, ImageOwnership kind) {
  const CWatchedSection watched = WatchSection("grab thread");
  std::lock_guard lock(m_lock);
  if (m_liveMode) {
    ShowLiveFrame(frame, kind);
  } else {
    m_stages->FrameArrived(GetConverter().GetLastDuration());
    QueueFrame(frame, kind);
  }
}

void CGrabberDlg::ReleaseFrame(IplImage* frame, ImageOwnership kind) { ReleaseImage(frame, kind); }

void CGrabberDlg::QueueFrame(IplImage* frame, ImageOwnership kind) {
  // A frame the converter could not convert carries no pixels: nothing to queue.
  if (frame == nullptr || frame->imageData == nullptr || m_frameQueue.GetCount() >= kQueueLimit ||
      m_discardUntilShot) {
    ReleaseFrame(frame, kind);
  } else {
    auto image = std::make_unique<CxImage>();
    const int created = image->Create(frame, kind == OwnershipHeaderAndData ? CF_ATTACH : CF_COPY);
    if (created == 2) {
      m_frameQueue.AddTail(image.release());
    } else {
      ReleaseFrame(frame, kind);
      if (created == 1) m_frameQueue.AddTail(image.release());
    }
  }
  m_frameEvent.Set();
}

void CGrabberDlg::ShowLiveFrame(IplImage* frame, ImageOwnership kind) {
  m_frameEvent.Set();
  const int width = frame && frame->imageData ? frame->width / kPreviewDecimation : 0;
  const int height = frame && frame->imageData ? frame->height / kPreviewDecimation : 0;
  if (width > 0 && height > 0 && frame->nChannels == 3) {
    if (m_previewImage.Width() != width || m_previewImage.Height() != height)
      m_previewImage.Create(width, height, 0, 0, 0, nullptr);
    // Nearest neighbour: every fourth pixel of every fourth row.
    for (int y = 0; y < height; ++y) {
      const auto* source = reinterpret_cast<const unsigned char*>(frame->imageData) +
                           static_cast<size_t>(y) * kPreviewDecimation * frame->widthStep;
      unsigned char* target = m_previewImage.GetRowPtr(y);
      for (int x = 0; x < width; ++x) std::memcpy(target + 3 * x, source + 3 * x * kPreviewDecimation, 3);
    }
    if (!VideoDetectsMotion(m_previewImage)) {
      m_frameEvent.Reset();
      m_host.ShowPreview(m_previewImage);
      // The service scales the camera's own frame: sharper than the window's quarter-size preview.
      m_feed.OfferPreviewFrame(*frame);
    }
  }
  ReleaseFrame(frame, kind);
}

void CGrabberDlg::StartProcessing() {
  m_processingEnded.Reset();
  m_processingThread = std::thread(&CGrabberDlg::ProcessFrames, this);
}

// Captured frames still queued are shots not yet saved: in capture mode they
// are saved first, for up to kDrainLimitMs. The rest is dropped and logged.
void CGrabberDlg::StopProcessing() {
  if (m_processingThread.joinable() && m_captureMode) {
    m_frameQueue.StopAfterQueued();
    m_processingEnded.Wait(kDrainLimitMs);
  }
  const int dropped = m_frameQueue.RemoveAll(true);
  if (dropped > 0)
    TheLog().WriteLine("Processing stopped: " + std::to_string(dropped) + " queued frames dropped");
  if (m_processingThread.joinable()) m_processingThread.join();
}

void CGrabberDlg::ProcessFrames() {
  bx::NameThisThread("bx-processing");
  for (;;) {
    CxImage* frame = m_frameQueue.RemoveHead(&m_frameQueuedAt);
    delete m_currentImage;
    m_currentImage = nullptr;
    if (frame == nullptr) break;
    ProcessFrame(frame);
  }
  m_finisher.Wait();
  m_processingEnded.Set();
}

// A photo whose JPEG is written goes to the finisher, and the next frame's
// colour, counter and JPEG overlap the rest of its save. Everything else a
// frame reports or shows comes after the photo before it is finished.
void CGrabberDlg::ProcessFrame(CxImage* frame) {
  const CWatchedSection watched = WatchSection("processing thread");
  // One mode for the whole frame, even if a page switches while it is processed.
  const bool capture = m_captureMode;
  // A frame the camera took on its own trigger line while out of service.
  if (capture && !m_inService) {
    delete frame;
    m_finisher.Wait();
    return IgnoreShot("camera frame");
  }
  if (!capture && !ShrinkForSetup(frame)) return;
  m_currentImage = frame;
  RotateCurrentImage();
  if (!PrepareOutputImage()) return;
  if (!capture) KeepSetupFrame(*m_currentImage);
  const int page = m_activePage;
  ShotStages& stages = m_stages->BeginSave();
  std::optional<PendingSave> save = capture ? std::optional(BeginSave()) : std::nullopt;
  {
    const StageTimer timer(stages.colour);
    ApplyColour(page != CameraSetupPage && page != ColorSetupPage);
  }
  if (std::optional<WrittenPhoto> written = save ? WriteSave(*save) : std::nullopt)
    return m_finisher.HandOver([this, photo = std::move(*written)]() mutable { FinishPhoto(photo); });
  m_finisher.Wait();
  if (save) RefuseSave(save->refusal);
  const ShownImage about = capture ? DescribeCapture(false) : ShownImage{};
  m_host.ShowOutputImage(m_outputImage, about);
  m_feed.OfferPreviewFrame(m_outputImage);
}

// The finisher never reads m_outputImage, which the next frame reuses: it shows
// the thumbnail made from the written file.
void CGrabberDlg::FinishPhoto(WrittenPhoto& photo) {
  const CWatchedSection watched = WatchSection("finisher thread");
  SetStatus("Ok");
  m_thumbnailImage.CleanUp();
  const bool saved = CompleteSave(photo);
  if (saved) m_stages->Publish(photo.stages);
  m_host.ShowOutputImage(m_thumbnailImage, DescribeCapture(saved));
  m_feed.OfferPreviewFrame(m_thumbnailImage);
}

// The output image takes the current image's size; without memory for it the frame is dropped.
bool CGrabberDlg::PrepareOutputImage() {
  const int width = m_currentImage->Width();
  const int height = m_currentImage->Height();
  if ((m_outputImage.Width() == width && m_outputImage.Height() == height) ||
      m_outputImage.Create(width, height, 0, 0, 0, nullptr))
    return true;
  TheLog().WriteLine("Frame dropped: no output image of " + std::to_string(width) + "x" +
                     std::to_string(height) + " could be created");
  SetStatus("Ko");
  return false;
}

bool CGrabberDlg::ShrinkForSetup(CxImage*& frame) {
  auto half = std::make_unique<CxImage>();
  const bool created = half->Create(frame->Width() / 2, frame->Height() / 2, 0, 0, 0, nullptr) != 0;
  if (created) frame->Resize(*half, IPL_INTER_CUBIC);
  delete frame;
  frame = created ? half.release() : nullptr;
  return created;
}

void CGrabberDlg::RotateCurrentImage() { m_currentImage = RotateFrame(m_currentImage, GetRotation()); }

void CGrabberDlg::ApplyColour(bool final) {
  // A copy, so that a preset load or a page edit never changes the settings mid-frame.
  CColorTransformer transformer;
  {
    std::lock_guard lock(m_colorLock);
    transformer = final ? m_colorTransformer : m_pageColorTransformer;
  }
  transformer.Transform(*m_currentImage, m_outputImage, final);
}
