// The data source library the tests drive: one identity, the known picture
// in any pixel type, and a failure injectable at any triplet.

#include <cstring>
#include <memory>

#include "pixlib/twain/TwainHandle.h"
#include "pixlib/twain/source/ModuleEntry.h"
#include "tests/twain/FakePicture.h"

namespace {

using twainfake::FakeSettings;
using twainsource::ScannedPage;

FakeSettings g_settings;
bool g_failPending = false;

void SetPixelBits(ScannedPage& page, int x, int y, int value) {
  const int bits = page.bitsPerSample;
  std::uint8_t* row = page.pixels.data() + std::size_t(y) * page.RowBytes();
  const int perByte = 8 / bits;
  row[x / perByte] |= static_cast<std::uint8_t>(value << ((perByte - 1 - x % perByte) * bits));
}

void SetSample16(ScannedPage& page, int x, int y, int sample, int value8) {
  // The low byte differs from the high one, so reading it shows.
  const auto wide = static_cast<std::uint16_t>(value8 << 8 | (255 - value8));
  std::memcpy(page.pixels.data() + std::size_t(y) * page.RowBytes() + 2 * (x * page.samplesPerPixel + sample),
              &wide, 2);
}

void Paint(ScannedPage& page) {
  page.pixels.assign(page.RowBytes() * std::size_t(page.height), 0);
  for (int y = 0; y < page.height; ++y)
    for (int x = 0; x < page.width; ++x) {
      if (page.pixelType == TWPT_RGB) {
        const twainfake::Rgb c = twainfake::ColourAt(x, y);
        const int rgb[3] = {c.r, c.g, c.b};
        for (int s = 0; s < 3; ++s) {
          if (page.bitsPerSample == 16) {
            SetSample16(page, x, y, s, rgb[s]);
          } else {
            page.pixels[std::size_t(y) * page.RowBytes() + std::size_t(3 * x + s)] =
                static_cast<std::uint8_t>(rgb[s]);
          }
        }
      } else if (page.pixelType == TWPT_BW) {
        const bool ink = twainfake::InkAt(x, y);
        SetPixelBits(page, x, y, page.pixelFlavor == TWPF_CHOCOLATE ? !ink : ink);
      } else if (page.pixelType == TWPT_PALETTE) {
        SetPixelBits(page, x, y, twainfake::IndexAt(x, y));
      } else if (page.bitsPerSample == 16) {
        SetSample16(page, x, y, 0, twainfake::GreyAt(x, y));
      } else {
        SetPixelBits(page, x, y, twainfake::GreyAt(x, y) >> (8 - page.bitsPerSample));
      }
    }
}

class FakeSource : public twainsource::DataSource {
 public:
  FakeSource() { m_postsCloseRequest = !g_settings.neverClose && !g_settings.silent; }

 protected:
  bool OpenDevice(const TW_IDENTITY&) override { return true; }
  void CloseDevice() override {}
  PageResult NextPage(ScannedPage& page, int index) override {
    if (index >= g_settings.pictures || (g_settings.silent && index == 0)) return PageResult::NoMore;
    page.width = twainfake::kWidth;
    page.height = twainfake::kHeight;
    page.pixelType = g_settings.pixelType;
    page.bitsPerSample = g_settings.bitsPerSample;
    page.samplesPerPixel = page.pixelType == TWPT_RGB ? 3 : 1;
    page.pixelFlavor = g_settings.pixelFlavor;
    page.dpi = 150;
    for (int i = 0; i < 16; ++i) {
      const twainfake::Rgb c = twainfake::PaletteColour(i);
      page.palette.push_back(TW_ELEMENT8{static_cast<TW_UINT8>(i), static_cast<TW_UINT8>(c.r),
                                         static_cast<TW_UINT8>(c.g), static_cast<TW_UINT8>(c.b)});
    }
    Paint(page);
    return PageResult::Ready;
  }
  TW_UINT16 DeviceCapability(TW_UINT16 msg, TW_CAPABILITY& cap) override {
    if (msg != MSG_GET || cap.Cap != ICAP_PIXELFLAVOR) return Fail(TWCC_CAPUNSUPPORTED);
    cap.ConType = TWON_ONEVALUE;
    cap.hContainer = MakeOneValue(TWTY_UINT16, g_settings.pixelFlavor);
    return TWRC_SUCCESS;
  }
};

std::unique_ptr<twainsource::DataSource> g_source;

std::unique_ptr<twainsource::DataSource> MakeSource() { return std::make_unique<FakeSource>(); }

// What a misbehaving source does to the replies it gives.
void Tamper(TW_UINT16 dat, TW_MEMREF data) {
  if (dat == DAT_IMAGEINFO && g_settings.unknownLength) static_cast<TW_IMAGEINFO*>(data)->ImageLength = -1;
  if (dat == DAT_SETUPMEMXFER && g_settings.preferredBlock != 0)
    static_cast<TW_SETUPMEMXFER*>(data)->Preferred = g_settings.preferredBlock;
  if (dat != DAT_IMAGEMEMXFER) return;
  auto* block = static_cast<TW_IMAGEMEMXFER*>(data);
  if (g_settings.bogusBlock == 1) block->YOffset += twainfake::kHeight;
  if (g_settings.bogusBlock == 2) block->BytesWritten /= 2;
  if (g_settings.bogusBlock == 3) block->BytesPerRow = 1;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void FakeSourceSetup(const FakeSettings* settings) {
  g_settings = settings ? *settings : FakeSettings{};
  g_failPending = g_settings.failDat != 0xFFFF;
}

extern "C" __attribute__((visibility("default"))) TW_UINT16 DS_Entry(pTW_IDENTITY origin, TW_UINT32 dg,
                                                                     TW_UINT16 dat, TW_UINT16 msg,
                                                                     TW_MEMREF data) {
  if (dat == DAT_IDENTITY && (msg == MSG_GETFIRST || msg == MSG_GETNEXT) && origin == nullptr) {
    if (msg == MSG_GETNEXT || data == nullptr) return TWRC_ENDOFLIST;
    auto* identity = static_cast<TW_IDENTITY*>(data);
    *identity = TW_IDENTITY{};
    identity->Version = TW_VERSION{1, 0, TWLG_USA, TWCY_USA, "fake"};
    identity->ProtocolMajor = TWON_PROTOCOLMAJOR;
    identity->ProtocolMinor = TWON_PROTOCOLMINOR;
    identity->SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::strcpy(identity->Manufacturer, "Test");
    std::strcpy(identity->ProductFamily, "Fake");
    std::strcpy(identity->ProductName, "Fake Source");
    return TWRC_SUCCESS;
  }
  if (g_failPending && dat == g_settings.failDat && msg == g_settings.failMsg &&
      (g_settings.failGroup == 0 || g_settings.failGroup == dg)) {
    g_failPending = false;
    if (g_source != nullptr) return g_source->Fail(TWCC_OPERATIONERROR);
    return TWRC_FAILURE;
  }
  // Taking the file name without using it: the source writes where it likes.
  if (g_settings.ignoreFileName && dat == DAT_SETUPFILEXFER && msg == MSG_SET) return TWRC_SUCCESS;
  const TW_UINT16 rc = twainsource::RouteToSource(g_source, &MakeSource, origin, dg, dat, msg, data);
  if (rc == TWRC_SUCCESS || rc == TWRC_XFERDONE) Tamper(dat, data);
  return rc;
}
