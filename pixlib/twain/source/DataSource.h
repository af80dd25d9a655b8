#pragma once
// The part every data source shares: the source's side of the session
// (states 4 to 7), the transfer capabilities, the three transfer mechanisms
// over a ScannedPage, and the notifications posted through the source
// manager. A device supplies the pages and its own capabilities.

#include <string>

#include "pixlib/twain/TwainTypes.h"
#include "pixlib/twain/source/ScannedPage.h"

namespace twainsource {

class DataSource {
 public:
  virtual ~DataSource() = default;
  // The triplets the source manager forwards; origin is the application.
  TW_UINT16 Entry(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  int State() const { return m_state; }
  // Makes the next DAT_STATUS report `condition`; returns TWRC_FAILURE.
  TW_UINT16 Fail(TW_UINT16 condition);

 protected:
  enum class PageResult { Ready, NoMore, Failed };
  // Opens the device of `identity`; false fails MSG_OPENDS.
  virtual bool OpenDevice(const TW_IDENTITY& identity) = 0;
  virtual void CloseDevice() = 0;
  // Acquires picture `index` (0 the first after enabling) into `page`.
  virtual PageResult NextPage(ScannedPage& page, int index) = 0;
  // Device capabilities (MSG_GET / MSG_SET on a one-value container).
  virtual TW_UINT16 DeviceCapability(TW_UINT16 msg, TW_CAPABILITY& cap);
  virtual TW_UINT16 CustomData(TW_UINT16 msg, TW_CUSTOMDSDATA& data);
  // The scan area in inches (MSG_GET / MSG_SET).
  virtual TW_UINT16 Layout(TW_UINT16 msg, TW_IMAGELAYOUT& layout);
  // Whether the source asks to be closed once its pictures are done.
  bool m_postsCloseRequest = true;

 private:
  TW_UINT16 Control(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  TW_UINT16 Image(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  TW_UINT16 Capability(TW_UINT16 msg, TW_CAPABILITY* cap);
  TW_UINT16 UserInterface(TW_UINT16 msg);
  TW_UINT16 Pending(TW_UINT16 msg, TW_PENDINGXFERS* pending);
  TW_UINT16 ImageInfo(TW_IMAGEINFO* info);
  TW_UINT16 NativeTransfer(TW_HANDLE* handle);
  TW_UINT16 MemoryTransfer(TW_IMAGEMEMXFER* block);
  TW_UINT16 FileTransfer();
  TW_UINT16 SetupFile(TW_UINT16 msg, TW_SETUPFILEXFER* setup);
  TW_UINT16 Palette(TW_PALETTE8* palette);
  // Fetches the next page within the transfer count (state 6), else drops
  // to state 5 and asks to be closed. `announce` posts XFERREADY for a page.
  void Advance(bool announce);
  void Post(TW_UINT16 msg);
  TW_UINT16 PendingCount() const;

  int m_state = 3;
  TW_IDENTITY m_self{};
  TW_IDENTITY m_app{};
  DSMENTRYPROC m_manager = nullptr;
  TW_UINT16 m_condition = TWCC_SUCCESS;
  TW_UINT16 m_mechanism = TWSX_NATIVE;
  int m_xferCount = -1;  // pictures the application wants; -1 all
  int m_delivered = 0;
  bool m_havePage = false;
  ScannedPage m_page;
  std::size_t m_nextRow = 0;  // memory transfer progress
  std::string m_fileName = "twain.bmp";
};

}  // namespace twainsource
