#include "pixlib/twain/sane/SaneSource.h"

#include <sane/saneopts.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "pixlib/twain/TwainHandle.h"
#include "pixlib/twain/sane/ReaderThreads.h"
#include "pixlib/twain/sane/SaneFrames.h"
#include "pixlib/twain/sane/SaneOptions.h"

namespace twainsane {

using twainsource::ScannedPage;

namespace {

constexpr std::size_t kReadChunk = 256 * 1024;
// The last bytes of a frame, read only once the backend's reader threads have
// ended (see ReaderThreads.h); they fit the smallest pipe, so a reader never
// waits on them.
constexpr std::size_t kFrameTail = 4096;
// How long the reader threads may take to hand over the tail and end.
constexpr std::chrono::milliseconds kReaderEndLimit{500};

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

int ResolutionOf(const SaneOptions& options) {
  return static_cast<int>(std::lround(options.Number(SANE_NAME_SCAN_RESOLUTION)));
}

TW_UINT32 FixItem(double value) {
  const TW_FIX32 fix = ToFix32(value);
  TW_UINT32 item = 0;
  std::memcpy(&item, &fix, sizeof fix);
  return item;
}

double FixValue(TW_UINT32 item) {
  TW_FIX32 fix{};
  std::memcpy(&fix, &item, sizeof fix);
  return FromFix32(fix);
}

}  // namespace

bool SaneSource::OpenDevice(const TW_IDENTITY& identity) {
  return sane_open(identity.ProductName, &m_device) == SANE_STATUS_GOOD;
}

void SaneSource::CloseDevice() {
  if (m_scanning) sane_cancel(m_device);
  m_scanning = false;
  sane_close(m_device);
  m_device = nullptr;
}

TW_INT16 SaneSource::PixelType() const {
  const SaneOptions options(m_device);
  const std::string mode = options.Get(SANE_NAME_SCAN_MODE);
  if (Contains(mode, "Color")) return TWPT_RGB;
  if (Contains(mode, "Lineart") || options.Get(SANE_NAME_BIT_DEPTH) == "1") return TWPT_BW;
  return TWPT_GRAY;
}

bool SaneSource::SetPixelType(TW_INT16 type) {
  SaneOptions options(m_device);
  const std::vector<std::string> modes = options.Choices(SANE_NAME_SCAN_MODE);
  auto offered = [&](const char* mode) { return std::find(modes.begin(), modes.end(), mode) != modes.end(); };
  if (type == TWPT_BW) {
    if (offered(SANE_VALUE_SCAN_MODE_LINEART))
      return options.Set(SANE_NAME_SCAN_MODE, SANE_VALUE_SCAN_MODE_LINEART);
    return options.Set(SANE_NAME_SCAN_MODE, SANE_VALUE_SCAN_MODE_GRAY) &&
           options.Set(SANE_NAME_BIT_DEPTH, "1");
  }
  if (type != TWPT_GRAY && type != TWPT_RGB) return false;
  if (!options.Set(SANE_NAME_SCAN_MODE,
                   type == TWPT_RGB ? SANE_VALUE_SCAN_MODE_COLOR : SANE_VALUE_SCAN_MODE_GRAY))
    return false;
  return options.Get(SANE_NAME_BIT_DEPTH) != "1" || options.Set(SANE_NAME_BIT_DEPTH, "8");
}

// Colour depths may be given per pixel (24, 48) as well as per sample.
bool SaneSource::SetBitDepth(TW_UINT32 depth) {
  if (PixelType() == TWPT_RGB && (depth == 24 || depth == 48)) depth /= 3;
  return SaneOptions(m_device).Set(SANE_NAME_BIT_DEPTH, std::to_string(depth));
}

bool SaneSource::FeederEnabled() const {
  const std::string source = SaneOptions(m_device).Get(SANE_NAME_SCAN_SOURCE);
  return Contains(source, "ADF") || Contains(source, "Feeder");
}

bool SaneSource::SetFeeder(bool enabled) {
  SaneOptions options(m_device);
  for (const std::string& choice : options.Choices(SANE_NAME_SCAN_SOURCE))
    if ((Contains(choice, "ADF") || Contains(choice, "Feeder")) == enabled)
      return options.Set(SANE_NAME_SCAN_SOURCE, choice);
  return false;
}

TW_UINT16 SaneSource::DeviceCapability(TW_UINT16 msg, TW_CAPABILITY& cap) {
  const SaneOptions options(m_device);
  if (msg == MSG_GET) {
    TW_UINT16 type = TWTY_UINT16;
    TW_UINT32 item = 0;
    switch (cap.Cap) {
      case ICAP_PIXELTYPE:
        item = static_cast<TW_UINT32>(PixelType());
        break;
      case ICAP_BITDEPTH:
        item = static_cast<TW_UINT32>(std::atoi(options.Get(SANE_NAME_BIT_DEPTH).c_str()));
        break;
      case ICAP_PIXELFLAVOR:
        item = TWPF_VANILLA;
        break;  // SANE line art: 1 is black
      case CAP_FEEDERENABLED:
        type = TWTY_BOOL, item = FeederEnabled();
        break;
      case ICAP_XRESOLUTION:
      case ICAP_YRESOLUTION:
        type = TWTY_FIX32, item = FixItem(ResolutionOf(options));
        break;
      default:
        return Fail(TWCC_CAPUNSUPPORTED);
    }
    cap.ConType = TWON_ONEVALUE;
    cap.hContainer = MakeOneValue(type, item);
    return cap.hContainer ? TWRC_SUCCESS : Fail(TWCC_LOWMEMORY);
  }
  const TW_ONEVALUE* one = OneValueOf(cap.hContainer);
  if (cap.ConType != TWON_ONEVALUE || one == nullptr) return Fail(TWCC_BADVALUE);
  bool done = false;
  switch (cap.Cap) {
    case ICAP_PIXELTYPE:
      done = SetPixelType(static_cast<TW_INT16>(one->Item));
      break;
    case ICAP_BITDEPTH:
      done = SetBitDepth(one->Item);
      break;
    case CAP_FEEDERENABLED:
      done = SetFeeder(one->Item != 0);
      break;
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION:
      done = SaneOptions(m_device).Set(SANE_NAME_SCAN_RESOLUTION, std::to_string(FixValue(one->Item)));
      break;
    default:
      return Fail(TWCC_CAPUNSUPPORTED);
  }
  return done ? TWRC_SUCCESS : Fail(TWCC_BADVALUE);
}

TW_UINT16 SaneSource::CustomData(TW_UINT16 msg, TW_CUSTOMDSDATA& data) {
  if (msg != MSG_SET) return Fail(TWCC_BADPROTOCOL);
  if (data.hData == nullptr || data.InfoLength > data.hData->size) return Fail(TWCC_BADVALUE);
  const std::string text(reinterpret_cast<const char*>(data.hData->Bytes()), data.InfoLength);
  SaneOptions options(m_device);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.empty()) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || !options.Set(line.substr(0, equals), line.substr(equals + 1)))
      return Fail(TWCC_BADVALUE);
  }
  return TWRC_SUCCESS;
}

// The area is kept in millimetres by SANE devices and given in inches here.
TW_UINT16 SaneSource::Layout(TW_UINT16 msg, TW_IMAGELAYOUT& layout) {
  constexpr double kMmPerInch = 25.4;
  const char* names[4] = {SANE_NAME_SCAN_TL_X, SANE_NAME_SCAN_TL_Y, SANE_NAME_SCAN_BR_X, SANE_NAME_SCAN_BR_Y};
  TW_FIX32* edges[4] = {&layout.Frame.Left, &layout.Frame.Top, &layout.Frame.Right, &layout.Frame.Bottom};
  SaneOptions options(m_device);
  if (msg == MSG_GET) {
    for (int i = 0; i < 4; ++i) *edges[i] = ToFix32(options.Number(names[i]) / kMmPerInch);
    layout.DocumentNumber = layout.PageNumber = layout.FrameNumber = 1;
    return TWRC_SUCCESS;
  }
  if (FromFix32(layout.Frame.Right) <= FromFix32(layout.Frame.Left) ||
      FromFix32(layout.Frame.Bottom) <= FromFix32(layout.Frame.Top))
    return Fail(TWCC_BADVALUE);
  for (int i = 0; i < 4; ++i)
    if (!options.Set(names[i], std::to_string(FromFix32(*edges[i]) * kMmPerInch))) return Fail(TWCC_BADVALUE);
  return TWRC_SUCCESS;
}

SaneSource::PageResult SaneSource::NextPage(ScannedPage& page, int index) {
  // A flatbed holds one picture; a feeder gives pictures until it is empty.
  if (index > 0 && !FeederEnabled()) {
    if (m_scanning) sane_cancel(m_device);
    m_scanning = false;
    return PageResult::NoMore;
  }
  const int dpi = std::max(1, ResolutionOf(SaneOptions(m_device)));  // options cannot be read while scanning
  const SANE_Status status = Start();
  m_scanning = true;
  if (status != SANE_STATUS_GOOD) {
    sane_cancel(m_device);
    m_scanning = false;
    return status == SANE_STATUS_NO_DOCS ? PageResult::NoMore : PageResult::Failed;
  }
  page.dpi = dpi;
  if (ReadPicture(page)) return PageResult::Ready;
  sane_cancel(m_device);
  m_scanning = false;
  return PageResult::Failed;
}

SANE_Status SaneSource::Start() {
  const std::vector<pid_t> before = ThreadIds();
  const SANE_Status status = sane_start(m_device);
  m_readers = StartedSince(before, ThreadIds());
  return status;
}

bool SaneSource::ReadPicture(ScannedPage& page) {
  SaneFrames frames(page);
  std::vector<SANE_Byte> bytes;
  for (int frame = 0;; ++frame) {
    if (frame > 0 && Start() != SANE_STATUS_GOOD) return false;
    SANE_Parameters p{};
    if (sane_get_parameters(m_device, &p) != SANE_STATUS_GOOD || !frames.Start(p)) return false;
    if (!ReadFrame(bytes, frames.ExpectedBytes())) return false;
    const SaneFrames::Result added = frames.Add(bytes);
    if (added != SaneFrames::Result::More) return added == SaneFrames::Result::Complete;
  }
}

// How much of `free` the next read may ask for: the frame's last bytes wait
// until the reader threads sane_start began have ended (or had their time).
std::size_t SaneSource::ReadSize(std::size_t free, std::size_t used, std::size_t expected) {
  if (expected == 0 || m_readers.empty()) return free;
  if (used + kFrameTail < expected) return std::min(free, expected - kFrameTail - used);
  AwaitThreadsEnd(m_readers, kReaderEndLimit);
  m_readers.clear();
  return free;
}

// Reads into one allocation of the expected size when the device knows it;
// a device that does not (a hand scanner) grows the buffer as it goes, up to
// the frame limit.
bool SaneSource::ReadFrame(std::vector<SANE_Byte>& bytes, std::size_t expected) {
  bytes.resize(expected + kReadChunk);  // room for the read that reports the end
  std::size_t used = 0;
  for (;;) {
    if (used == bytes.size()) {
      if (used >= SaneFrames::MaxFrameBytes()) return false;
      bytes.resize(std::min(used * 2, SaneFrames::MaxFrameBytes()));
    }
    const std::size_t room = ReadSize(std::min(bytes.size() - used, kReadChunk), used, expected);
    SANE_Int got = 0;
    const SANE_Status status = sane_read(m_device, bytes.data() + used, static_cast<SANE_Int>(room), &got);
    used += static_cast<std::size_t>(std::max<SANE_Int>(got, 0));
    if (status != SANE_STATUS_GOOD) {
      bytes.resize(used);
      return status == SANE_STATUS_EOF;
    }
  }
}

}  // namespace twainsane
