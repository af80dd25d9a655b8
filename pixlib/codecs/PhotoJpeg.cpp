#include "pixlib/codecs/PhotoJpeg.h"

#include <functional>
#include <system_error>
#include <thread>

#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/LongerSideScaling.h"
#include "pixlib/codecs/Thumbnail.h"
#include "pixlib/codecs/jpeg/ByteRelay.h"
#include "pixlib/codecs/jpeg/IjgJpegReader.h"
#include "pixlib/codecs/jpeg/JpegFile.h"

using namespace pixcodec;

namespace {

constexpr int kThumbnailChannelMode = 1;

// Encodes `image` into the file while `decode` reads the bytes from `relay` on
// a thread of its own; the relay is closed and the thread joined on every way out.
bool WriteWhileDecoding(CxImage& image, const char* path, int quality, ByteRelay& relay,
                        const std::function<void()>& decode) {
  std::thread decoder(decode);
  struct Ending {
    ByteRelay& relay;
    std::thread& decoder;
    ~Ending() {
      relay.Close();
      decoder.join();
    }
  } ending{relay, decoder};
  return WriteJpegFileWithPhotoEncoder(image, path, quality, &relay);
}

}  // namespace

int PhotoJpeg::Write(CxImage& image, const char* path, int quality) {
  m_reduced.CleanUp();
  if (!image.IsValid() || path == nullptr) return 0;
  m_path = path;
  m_plan = PlanThumbnail(image.Width(), image.Height(), 0, true, true);
  // A photo small enough to need no scaling is read back from the file, as LoadThumbnail does.
  if (!m_plan.scale) return WriteJpegFile(image, path, quality, 0, nullptr, 1);
  ByteRelay relay;
  bool decoded = false;
  const auto decode = [&] {
    ImageDecodeTarget target(m_reduced);
    IjgReadOptions options;
    options.channelMode = kThumbnailChannelMode;
    options.reduction = m_plan.reduction;
    // Silent: the caller's hooks may not expect another thread, and a failed
    // write, which stops the decoding, is reported by the writer.
    options.reported = false;
    decoded = ReadJpegIjg(relay.Source(), options, target);
  };
  bool written = false;
  try {
    written = WriteWhileDecoding(image, path, quality, relay, decode);
  } catch (const std::system_error&) {  // no thread to be had
    return WriteJpegFile(image, path, quality, 0, nullptr, 1);
  }
  if (!decoded || !written) m_reduced.CleanUp();
  // When the system encoder fails, Save falls back to the IJG writer.
  return written ? 1 : WriteJpegFile(image, path, quality, 0, nullptr, 0);
}

int PhotoJpeg::AppendThumbnail(int size, CxImage& shown) {
  if (!m_reduced.IsValid())
    return shown.LoadThumbnail(m_path.c_str(), kThumbnailChannelMode, 1, size, 1, 0, nullptr);
  const int scaled = ScaleToLongerSide(m_reduced, shown, m_plan.target);
  m_reduced.CleanUp();
  if (scaled == 0) return 0;
  WriteThumbNail(shown, m_path.c_str());
  return LoadThumbNail(shown, m_path.c_str(), kThumbnailChannelMode, size);
}
