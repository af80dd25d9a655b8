#include "pixlib/twain/source/DataSource.h"

#include <algorithm>
#include <cstring>

#include "pixlib/twain/TwainHandle.h"
#include "pixlib/twain/source/PageEncoding.h"

namespace twainsource {

namespace {
constexpr TW_UINT32 kPreferredBlock = 256 * 1024;
}

TW_UINT16 DataSource::Fail(TW_UINT16 condition) {
  m_condition = condition;
  return TWRC_FAILURE;
}

TW_UINT16 DataSource::Entry(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  if (dat == DAT_IDENTITY && msg == MSG_OPENDS) {
    if (m_state != 3 || data == nullptr || origin == nullptr) return Fail(TWCC_SEQERROR);
    m_self = *static_cast<TW_IDENTITY*>(data);
    m_app = *origin;
    if (!OpenDevice(m_self)) return Fail(TWCC_OPERATIONERROR);
    m_state = 4;
    return TWRC_SUCCESS;
  }
  const bool needsData = dat != DAT_STATUS && dat != DAT_EVENT && dat != DAT_IMAGEFILEXFER;
  if (needsData && data == nullptr) return Fail(TWCC_BADVALUE);
  if (dg == DG_CONTROL) return Control(dat, msg, data);
  if (dg == DG_IMAGE) return Image(dat, msg, data);
  return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 DataSource::Control(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  switch (dat) {
    case DAT_IDENTITY:
      if (msg != MSG_CLOSEDS) break;
      if (m_state != 4) return Fail(TWCC_SEQERROR);
      CloseDevice();
      m_state = 3;
      return TWRC_SUCCESS;
    case DAT_ENTRYPOINT:
      if (msg != MSG_SET || static_cast<TW_ENTRYPOINT*>(data)->Size < sizeof(TW_ENTRYPOINT)) break;
      m_manager = static_cast<TW_ENTRYPOINT*>(data)->DSM_Entry;
      return TWRC_SUCCESS;
    case DAT_STATUS:
      if (msg != MSG_GET || data == nullptr) break;
      *static_cast<TW_STATUS*>(data) = TW_STATUS{m_condition, 0};
      m_condition = TWCC_SUCCESS;
      return TWRC_SUCCESS;
    case DAT_EVENT:
      return TWRC_NOTDSEVENT;  // this source has no window of its own
    case DAT_CAPABILITY:
      return Capability(msg, static_cast<TW_CAPABILITY*>(data));
    case DAT_USERINTERFACE:
      return UserInterface(msg);
    case DAT_PENDINGXFERS:
      return Pending(msg, static_cast<TW_PENDINGXFERS*>(data));
    case DAT_SETUPMEMXFER: {
      if (msg != MSG_GET || m_state < 4) break;
      const auto row = static_cast<TW_UINT32>(m_havePage ? m_page.RowBytes() : 1);
      *static_cast<TW_SETUPMEMXFER*>(data) = TW_SETUPMEMXFER{row, 0x7fffffff, std::max(kPreferredBlock, row)};
      return TWRC_SUCCESS;
    }
    case DAT_SETUPFILEXFER:
      return SetupFile(msg, static_cast<TW_SETUPFILEXFER*>(data));
    case DAT_CUSTOMDSDATA:
      return CustomData(msg, *static_cast<TW_CUSTOMDSDATA*>(data));
    default:
      break;
  }
  return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 DataSource::Image(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  const bool get = msg == MSG_GET;
  if (dat == DAT_IMAGEINFO && get) return ImageInfo(static_cast<TW_IMAGEINFO*>(data));
  if (dat == DAT_IMAGENATIVEXFER && get) return NativeTransfer(static_cast<TW_HANDLE*>(data));
  if (dat == DAT_IMAGEMEMXFER && get) return MemoryTransfer(static_cast<TW_IMAGEMEMXFER*>(data));
  if (dat == DAT_IMAGEFILEXFER && get) return FileTransfer();
  if (dat == DAT_PALETTE8 && get) return Palette(static_cast<TW_PALETTE8*>(data));
  if (dat == DAT_IMAGELAYOUT && (get || msg == MSG_SET)) {
    if (msg == MSG_SET && m_state != 4) return Fail(TWCC_SEQERROR);
    return Layout(msg, *static_cast<TW_IMAGELAYOUT*>(data));
  }
  return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 DataSource::Capability(TW_UINT16 msg, TW_CAPABILITY* cap) {
  const bool set = msg == MSG_SET;
  if (!set && msg != MSG_GET && msg != MSG_GETCURRENT) return Fail(TWCC_BADPROTOCOL);
  if (set && m_state != 4) return Fail(TWCC_SEQERROR);
  if (cap->Cap != CAP_XFERCOUNT && cap->Cap != ICAP_XFERMECH)
    return DeviceCapability(set ? MSG_SET : MSG_GET, *cap);
  if (set) {
    const TW_ONEVALUE* one = OneValueOf(cap->hContainer);
    if (cap->ConType != TWON_ONEVALUE || one == nullptr) return Fail(TWCC_BADVALUE);
    if (cap->Cap == CAP_XFERCOUNT) {
      const auto count = static_cast<TW_INT16>(one->Item);
      if (count == 0 || count < -1) return Fail(TWCC_BADVALUE);
      m_xferCount = count;
      return TWRC_SUCCESS;
    }
    // Memory files are not offered: the application could only mistake them for native transfers.
    if (one->Item != TWSX_NATIVE && one->Item != TWSX_FILE && one->Item != TWSX_MEMORY)
      return Fail(TWCC_BADVALUE);
    m_mechanism = static_cast<TW_UINT16>(one->Item);
    return TWRC_SUCCESS;
  }
  const bool count = cap->Cap == CAP_XFERCOUNT;
  cap->ConType = TWON_ONEVALUE;
  cap->hContainer = MakeOneValue(count ? TWTY_INT16 : TWTY_UINT16,
                                 count ? static_cast<TW_UINT16>(m_xferCount) : m_mechanism);
  return cap->hContainer ? TWRC_SUCCESS : Fail(TWCC_LOWMEMORY);
}

TW_UINT16 DataSource::DeviceCapability(TW_UINT16, TW_CAPABILITY&) { return Fail(TWCC_CAPUNSUPPORTED); }

TW_UINT16 DataSource::CustomData(TW_UINT16, TW_CUSTOMDSDATA&) { return Fail(TWCC_BADPROTOCOL); }

TW_UINT16 DataSource::Layout(TW_UINT16, TW_IMAGELAYOUT&) { return Fail(TWCC_BADPROTOCOL); }

TW_UINT16 DataSource::UserInterface(TW_UINT16 msg) {
  if (msg == MSG_ENABLEDS) {
    if (m_state != 4) return Fail(TWCC_SEQERROR);
    m_state = 5;
    m_delivered = 0;
    Advance(true);
    return TWRC_SUCCESS;
  }
  if (msg == MSG_DISABLEDS) {
    if (m_state != 5) return Fail(TWCC_SEQERROR);
    m_state = 4;
    return TWRC_SUCCESS;
  }
  return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 DataSource::Pending(TW_UINT16 msg, TW_PENDINGXFERS* pending) {
  if (msg == MSG_ENDXFER) {
    if (m_state != 6 && m_state != 7) return Fail(TWCC_SEQERROR);
    ++m_delivered;
    Advance(false);
  } else if (msg == MSG_RESET) {
    if (m_state != 6) return Fail(TWCC_SEQERROR);
    m_havePage = false;
    m_state = 5;
    if (m_postsCloseRequest) Post(MSG_CLOSEDSREQ);
  } else if (msg != MSG_GET || m_state < 4) {
    return Fail(msg == MSG_GET ? TWCC_SEQERROR : TWCC_BADPROTOCOL);
  }
  *pending = TW_PENDINGXFERS{PendingCount(), 0};
  return TWRC_SUCCESS;
}

TW_UINT16 DataSource::PendingCount() const {
  if (!m_havePage) return 0;
  if (m_xferCount < 0) return 0xFFFF;  // unknown: until the feeder runs empty
  return static_cast<TW_UINT16>(m_xferCount - m_delivered);
}

void DataSource::Advance(bool announce) {
  m_havePage = false;
  if (m_xferCount < 0 || m_delivered < m_xferCount) {
    m_page = ScannedPage{};
    m_havePage = NextPage(m_page, m_delivered) == PageResult::Ready;
  }
  m_nextRow = 0;
  m_state = m_havePage ? 6 : 5;
  if (m_havePage && announce) Post(MSG_XFERREADY);
  if (!m_havePage && m_postsCloseRequest) Post(MSG_CLOSEDSREQ);
}

void DataSource::Post(TW_UINT16 msg) {
  if (m_manager != nullptr) m_manager(&m_self, &m_app, DG_CONTROL, DAT_NULL, msg, nullptr);
}

TW_UINT16 DataSource::ImageInfo(TW_IMAGEINFO* info) {
  if (m_state != 6) return Fail(TWCC_SEQERROR);
  *info = TW_IMAGEINFO{};
  info->XResolution = info->YResolution = TW_FIX32{static_cast<TW_INT16>(m_page.dpi), 0};
  info->ImageWidth = m_page.width;
  info->ImageLength = m_page.height;
  info->SamplesPerPixel = static_cast<TW_INT16>(m_page.samplesPerPixel);
  for (int i = 0; i < m_page.samplesPerPixel; ++i)
    info->BitsPerSample[i] = static_cast<TW_INT16>(m_page.bitsPerSample);
  info->BitsPerPixel = static_cast<TW_INT16>(m_page.BitsPerPixel());
  info->PixelType = m_page.pixelType;
  info->Compression = TWCP_NONE;
  return TWRC_SUCCESS;
}

TW_UINT16 DataSource::NativeTransfer(TW_HANDLE* handle) {
  if (m_state != 6) return Fail(TWCC_SEQERROR);
  *handle = MakePackedDib(m_page);
  if (*handle == nullptr) return Fail(TWCC_LOWMEMORY);
  m_state = 7;
  return TWRC_XFERDONE;
}

TW_UINT16 DataSource::MemoryTransfer(TW_IMAGEMEMXFER* block) {
  if (m_state != 6 && m_state != 7) return Fail(TWCC_SEQERROR);
  const std::size_t rowBytes = m_page.RowBytes();
  const std::size_t fit = block->Memory.TheMem ? block->Memory.Length / rowBytes : 0;
  const std::size_t rows = std::min(fit, std::size_t(m_page.height) - m_nextRow);
  if (rows == 0) return Fail(TWCC_BADVALUE);
  std::memcpy(block->Memory.TheMem, m_page.Row(static_cast<int>(m_nextRow)), rows * rowBytes);
  block->Compression = TWCP_NONE;
  block->BytesPerRow = static_cast<TW_UINT32>(rowBytes);
  block->Columns = static_cast<TW_UINT32>(m_page.width);
  block->Rows = static_cast<TW_UINT32>(rows);
  block->XOffset = 0;
  block->YOffset = static_cast<TW_UINT32>(m_nextRow);
  block->BytesWritten = static_cast<TW_UINT32>(rows * rowBytes);
  m_nextRow += rows;
  m_state = 7;
  return m_nextRow == std::size_t(m_page.height) ? TWRC_XFERDONE : TWRC_SUCCESS;
}

TW_UINT16 DataSource::SetupFile(TW_UINT16 msg, TW_SETUPFILEXFER* setup) {
  if (m_state < 4 || m_state > 6) return Fail(TWCC_SEQERROR);
  if (msg == MSG_GET || msg == MSG_GETDEFAULT) {
    *setup = TW_SETUPFILEXFER{};
    std::strncpy(setup->FileName, m_fileName.c_str(), sizeof setup->FileName - 1);
    setup->Format = TWFF_BMP;
    return TWRC_SUCCESS;
  }
  if (msg != MSG_SET) return Fail(TWCC_BADPROTOCOL);
  if (setup->Format != TWFF_BMP) return Fail(TWCC_BADVALUE);
  m_fileName.assign(setup->FileName, strnlen(setup->FileName, sizeof setup->FileName));
  return TWRC_SUCCESS;
}

TW_UINT16 DataSource::FileTransfer() {
  if (m_state != 6) return Fail(TWCC_SEQERROR);
  if (!WritePageBmp(m_page, m_fileName)) return Fail(TWCC_OPERATIONERROR);
  m_state = 7;
  return TWRC_XFERDONE;
}

TW_UINT16 DataSource::Palette(TW_PALETTE8* palette) {
  if (m_state != 6 && m_state != 7) return Fail(TWCC_SEQERROR);
  if (m_page.pixelType != TWPT_PALETTE) return Fail(TWCC_BADPROTOCOL);
  *palette = TW_PALETTE8{};
  palette->NumColors = static_cast<TW_UINT16>(std::min<std::size_t>(m_page.palette.size(), 256));
  palette->PaletteType = TWPA_RGB;
  std::copy_n(m_page.palette.begin(), palette->NumColors, palette->Colors);
  return TWRC_SUCCESS;
}

}  // namespace twainsource
