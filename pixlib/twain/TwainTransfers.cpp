// The three transfer mechanisms of CTwain. What a source hands over (DIB
// sizes, block offsets, row counts) is checked against what it announced
// before a byte is copied.

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/twain/MemoryRows.h"
#include "pixlib/twain/Twain.h"
#include "pixlib/twain/TwainHandle.h"

namespace {

// The largest memory block asked for, whatever the source prefers.
constexpr TW_UINT32 kMaxBlockBytes = 64u << 20;

struct HandleDeleter {
  void operator()(TW_MEMBLOCK* handle) const { TwainFreeHandle(handle); }
};
using OwnedHandle = std::unique_ptr<TW_MEMBLOCK, HandleDeleter>;

// A bottom-up, uncompressed packed DIB whose header, palette and rows lie
// within the block.
const BITMAPINFOHEADER* CheckedDib(TW_HANDLE handle) {
  if (handle == nullptr || handle->size < sizeof(BITMAPINFOHEADER)) return nullptr;
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(handle->Bytes());
  const int bits = header->biBitCount;
  if (header->biSize != sizeof(BITMAPINFOHEADER) || header->biWidth < 1 || header->biHeight < 1 ||
      header->biCompression != BI_RGB || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
    return nullptr;
  const std::uint64_t colours = bits <= 8 ? (header->biClrUsed ? header->biClrUsed : 1u << bits) : 0;
  const std::uint64_t stride = (std::uint64_t(header->biWidth) * bits + 31) / 32 * 4;
  const std::uint64_t needed =
      sizeof(BITMAPINFOHEADER) + colours * 4 + stride * std::uint64_t(header->biHeight);
  return colours <= 256 && needed <= handle->size ? header : nullptr;
}

int DpiOf(std::int32_t pixelsPerMetre) {
  return pixelsPerMetre > 0 ? static_cast<int>(std::lround(pixelsPerMetre * 0.0254)) : 72;
}

// A new, empty file of our own for the source to write.
std::string OwnTemporaryFile() {
  const char* folder = std::getenv("TMPDIR");
  std::string path = std::string(folder && *folder ? folder : "/tmp") + "/bxtwain-XXXXXX.bmp";
  const int fd = mkstemps(path.data(), 4);
  if (fd < 0) return {};
  close(fd);
  return path;
}

}  // namespace

int CTwain::Transfer(CxImage& target) {
  switch (m_mechanism) {
    case TWSX_NATIVE:
      return NativeTransfer(target);
    case TWSX_FILE:
      return FileTransfer(target);
    case TWSX_MEMORY:
      return MemoryTransfer(target);
    default:
      return 0;
  }
}

// The DIB is copied as it is: bottom-up rows land bottom-up, so the picture
// keeps its orientation without any mirroring.
int CTwain::NativeTransfer(CxImage& target) {
  TW_HANDLE raw = nullptr;
  const int ok = DS(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &raw);
  const OwnedHandle handle(raw);
  if (!ok || m_rc != TWRC_XFERDONE) return 0;
  const BITMAPINFOHEADER* dib = CheckedDib(handle.get());
  if (dib == nullptr) {
    ImgWarning("TWAIN: the source's bitmap does not fit its memory block\n");
    return 0;
  }
  if (target.Create(const_cast<BITMAPINFOHEADER*>(dib), CF_COPY) == 0) return 0;
  target.Resolution(CSize{DpiOf(dib->biXPelsPerMeter), DpiOf(dib->biYPelsPerMeter)});
  return 1;
}

// The source writes to a file this library made for the purpose; that file,
// and only that, is deleted afterwards.
int CTwain::FileTransfer(CxImage& target) {
  const std::string path = OwnTemporaryFile();
  if (path.empty()) return 0;
  TW_SETUPFILEXFER setup{};
  int ok = path.size() < sizeof setup.FileName;
  if (ok) std::memcpy(setup.FileName, path.c_str(), path.size() + 1);
  setup.Format = TWFF_BMP;
  ok = ok && DS(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup);
  ok = ok && DS(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr) && m_rc == TWRC_XFERDONE;
  ok = ok && access(path.c_str(), R_OK) == 0 && target.Load(path.c_str(), 0, 1, 0, 0, nullptr) != 0;
  unlink(path.c_str());
  return ok;
}

int CTwain::MemoryTransfer(CxImage& target) {
  TW_IMAGEINFO info{};
  if (!DS(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info)) return 0;
  if (info.ImageWidth < 1 || info.ImageLength < 1) {
    ImgWarning("TWAIN: memory transfer of a picture %d x %d refused\n", int(info.ImageWidth),
               int(info.ImageLength));
    return 0;
  }
  TW_PALETTE8 palette{};
  const bool hasPalette = info.PixelType == TWPT_PALETTE && DS(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette);
  TW_UINT16 flavour = TWPF_CHOCOLATE;
  TW_CAPABILITY cap{ICAP_PIXELFLAVOR, TWON_ONEVALUE, nullptr};
  if (info.PixelType == TWPT_BW && DS(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap)) {
    if (const TW_ONEVALUE* one = OneValueOf(cap.hContainer)) flavour = static_cast<TW_UINT16>(one->Item);
  }
  TwainFreeHandle(cap.hContainer);
  twainapp::MemoryRows rows;
  if (!rows.Configure(info, flavour, hasPalette ? &palette : nullptr)) {
    ImgWarning("TWAIN: %d bits per pixel of pixel type %d cannot be converted\n", int(info.BitsPerPixel),
               int(info.PixelType));
    return 0;
  }
  TW_SETUPMEMXFER setup{};
  if (!DS(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup)) return 0;
  const auto rowBytes = static_cast<TW_UINT32>(rows.RowBytes(std::size_t(info.ImageWidth)));
  const TW_UINT32 blockBytes =
      std::clamp(std::max(setup.Preferred, setup.MinBufSize), rowBytes, std::max(rowBytes, kMaxBlockBytes));
  if (!pixcodec::CreateCodecImage(target, info.ImageWidth, info.ImageLength, 3)) return 0;
  const pixcodec::PixelView view = pixcodec::ViewOf(target);
  std::vector<unsigned char> buffer(blockBytes);
  // Every block must bring at least one row, so the picture's height bounds the loop.
  for (int block = 0; block <= info.ImageLength; ++block) {
    TW_IMAGEMEMXFER memory{};
    memory.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, blockBytes, buffer.data()};
    if (!DS(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &memory)) return 0;
    const std::uint64_t right = std::uint64_t(memory.XOffset) + memory.Columns;
    const std::uint64_t bottom = std::uint64_t(memory.YOffset) + memory.Rows;
    const std::uint64_t used = std::uint64_t(memory.BytesPerRow) * memory.Rows;
    if (memory.Compression != TWCP_NONE || memory.Rows == 0 || memory.Columns == 0 ||
        right > std::uint64_t(info.ImageWidth) || bottom > std::uint64_t(info.ImageLength) ||
        memory.BytesPerRow < rows.RowBytes(memory.Columns) || used > memory.BytesWritten ||
        used > blockBytes) {
      ImgWarning("TWAIN: memory block (%u rows at %u, %u bytes a row) does not fit the picture\n",
                 unsigned(memory.Rows), unsigned(memory.YOffset), unsigned(memory.BytesPerRow));
      return 0;
    }
    for (TW_UINT32 r = 0; r < memory.Rows; ++r)
      rows.Convert(buffer.data() + std::size_t(r) * memory.BytesPerRow, static_cast<int>(memory.Columns),
                   view.TopRow(static_cast<int>(memory.YOffset + r)) + std::size_t(memory.XOffset) * 3);
    if (m_rc == TWRC_XFERDONE) {
      target.Resolution(
          CSize{std::max(1, int(info.XResolution.Whole)), std::max(1, int(info.YResolution.Whole))});
      return 1;
    }
  }
  ImgWarning("TWAIN: the source sent more blocks than the picture has rows\n");
  return 0;
}
