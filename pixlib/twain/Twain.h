#pragma once
// Acquisition from TWAIN data sources through the source manager. CTwain
// keeps the session state (1 to 7), walks up to acquire and down to any
// earlier state, and delivers each picture into the CxImage a derived class
// supplies, by native, file or memory transfer.

#include <vector>

#include "pixlib/core/CxImage.h"
#include "pixlib/core/Export.h"
#include "pixlib/twain/TwainTypes.h"
#include "pixlib/twain/TwainWindow.h"

// Session states.
enum TW_STATE : int {
  TWS_PRESESSION = 1,
  TWS_SM_LOADED = 2,
  TWS_SM_OPEN = 3,
  TWS_SOURCE_OPEN = 4,
  TWS_SOURCE_ENABLED = 5,
  TWS_TRANSFER_READY = 6,
  TWS_TRANSFERRING = 7,
};

// Errors reported through TwainError.
enum TW_ERR : int {
  TWERR_OPEN_DSM = 0,       // the source manager could not be opened
  TWERR_OPEN_SOURCE = 1,    // the default source could not be opened
  TWERR_ENABLE_SOURCE = 2,  // the source could not be enabled
  TWERR_SOURCE_SILENT = 3,  // the enabled source posted nothing within the modal time-out
};

class PIXLIB_API CTwain {
 public:
  CTwain();
  virtual ~CTwain();
  CTwain(const CTwain&) = delete;
  CTwain& operator=(const CTwain&) = delete;

  virtual void XferReady(MSG* msg);
  virtual void CloseDsRequest();
  // The image to fill with the next picture; null skips the pictures left.
  virtual CxImage* TargetImage() = 0;
  // Told, after each transfer, whether it succeeded (non-zero).
  virtual void TransferDone(int success) = 0;
  virtual void StateChange(int newState);
  virtual void TwainError(TW_ERR error);

  void RegisterApp(int majorVersion, int minorVersion, int language, int country, const char* versionInfo,
                   const char* manufacturer, const char* productFamily, const char* productName);
  // Whether the source manager library can be loaded; asked once per process.
  static int TwainAvailable();

  int LoadSourceManager();
  int UnloadSourceManager();
  int OpenSourceManager(CWnd* window);
  int CloseSourceManager(CWnd* window);
  int SelectSource(CWnd* window);
  int OpenDefaultSource();
  int EnableSource(CWnd* window);
  int DisableSource();
  int CloseSource();
  int EndXfer();
  int CancelXfers();
  int DropToState(int state, CWnd* window);
  int BeginAcquire(unsigned short mechanism, CWnd* window);
  int ModalAcquire(unsigned short mechanism, CWnd* window);
  void ModalEventLoop();
  int TwainMessageHook(MSG* msg);

  // Send a triplet to the source manager or the open source; true on success.
  int SM(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  int DS(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  TW_UINT16 ResultCode() const { return m_rc; }
  TW_UINT16 ConditionCode();

  void SetShowUI(int show) { m_showUI = show; }
  int GetShowUI() const { return m_showUI; }
  void SetDefWindow(CWnd* window) { m_defWindow = window; }
  int State() const { return m_state; }
  // How long the modal loop waits for a source's next notification.
  void SetModalTimeout(unsigned milliseconds) { m_modalTimeoutMs = milliseconds; }

  // The sources the manager lists (opening it for the question if needed).
  std::vector<TW_IDENTITY> Sources(CWnd* window);
  // The source OpenDefaultSource opens: by product name; null or empty
  // restores the manager's default.
  static void ChooseSource(const char* productName);
  static const TW_IDENTITY& SourceIdentity();

 protected:
  void SetState(int state);
  CWnd* WindowOr(CWnd* window) const { return window ? window : m_defWindow; }
  int Transfer(CxImage& target);
  int NativeTransfer(CxImage& target);
  int FileTransfer(CxImage& target);
  int MemoryTransfer(CxImage& target);

  int m_state = TWS_PRESESSION;
  int m_savedState = TWS_PRESESSION;
  CWnd* m_defWindow = nullptr;
  int m_showUI = 1;
  TW_IDENTITY m_appId{};
  TW_UINT16 m_rc = TWRC_SUCCESS;
  TW_UINT16 m_mechanism = TWSX_NATIVE;
  TW_USERINTERFACE m_ui{};
  TW_PENDINGXFERS m_pending{};
  unsigned m_modalTimeoutMs = 60000;
};
