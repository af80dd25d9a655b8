#include "pixlib/twain/Twain.h"

#include <cstring>

#include "pixlib/twain/SourceManagerLibrary.h"
#include "pixlib/twain/TwainHandle.h"

namespace {

// The source OpenDefaultSource opens; zero means the manager's default.
TW_IDENTITY g_sourceId{};

void CopyText(char* to, const char* from) {
  std::strncpy(to, from ? from : "", sizeof(TW_STR32) - 1);
  to[sizeof(TW_STR32) - 1] = '\0';
}

bool Succeeded(TW_UINT16 rc) { return rc == TWRC_SUCCESS || rc == TWRC_XFERDONE || rc == TWRC_CHECKSTATUS; }

}  // namespace

CTwain::CTwain() {
  m_appId.Version = TW_VERSION{1, 0, TWLG_USA, TWCY_USA, "<?>"};
  m_appId.ProtocolMajor = TWON_PROTOCOLMAJOR;
  m_appId.ProtocolMinor = TWON_PROTOCOLMINOR;
  m_appId.SupportedGroups = DG_CONTROL | DG_IMAGE;
  CopyText(m_appId.Manufacturer, "<?>");
  CopyText(m_appId.ProductFamily, "<?>");
  CopyText(m_appId.ProductName, "<?>");
}

// A session left open is closed; the library stays loaded for other sessions.
CTwain::~CTwain() { DropToState(TWS_SM_LOADED, nullptr); }

void CTwain::XferReady(MSG*) {
  // One picture a round, while the source reports more (ENDXFER lowers its count).
  bool gaveImage = true;
  do {
    CxImage* target = TargetImage();
    gaveImage = target != nullptr;
    if (!gaveImage) {
      // Skipping means no more pictures: the source must not be left in state 6.
      CancelXfers();
      break;
    }
    const int ok = Transfer(*target);
    TransferDone(ok);
    if (m_state >= TWS_TRANSFER_READY && !EndXfer()) break;
  } while (m_state == TWS_TRANSFER_READY && gaveImage && m_pending.Count != 0);
}

void CTwain::CloseDsRequest() { DropToState(TWS_SOURCE_OPEN, nullptr); }

void CTwain::StateChange(int) {}

void CTwain::TwainError(TW_ERR) {}

void CTwain::RegisterApp(int majorVersion, int minorVersion, int language, int country,
                         const char* versionInfo, const char* manufacturer, const char* productFamily,
                         const char* productName) {
  m_appId.Id = 0;
  m_appId.Version.MajorNum = static_cast<TW_UINT16>(majorVersion);
  m_appId.Version.MinorNum = static_cast<TW_UINT16>(minorVersion);
  m_appId.Version.Language = static_cast<TW_UINT16>(language);
  m_appId.Version.Country = static_cast<TW_UINT16>(country);
  CopyText(m_appId.Version.Info, versionInfo);
  m_appId.ProtocolMajor = TWON_PROTOCOLMAJOR;
  m_appId.ProtocolMinor = TWON_PROTOCOLMINOR;
  m_appId.SupportedGroups = DG_CONTROL | DG_IMAGE;
  CopyText(m_appId.Manufacturer, manufacturer);
  CopyText(m_appId.ProductFamily, productFamily);
  CopyText(m_appId.ProductName, productName);
}

int CTwain::TwainAvailable() { return twainapp::SourceManagerAvailable() ? 1 : 0; }

void CTwain::SetState(int state) {
  if (state == m_state) return;
  m_state = state;
  StateChange(state);
}

int CTwain::LoadSourceManager() {
  if (m_state >= TWS_SM_LOADED) return 1;
  if (twainapp::LoadSourceManagerLibrary() == nullptr) return 0;
  SetState(TWS_SM_LOADED);
  return 1;
}

int CTwain::UnloadSourceManager() {
  if (m_state > TWS_SM_LOADED) return 0;
  twainapp::UnloadSourceManagerLibrary();
  SetState(TWS_PRESESSION);
  return 1;
}

int CTwain::OpenSourceManager(CWnd* window) {
  if (m_state >= TWS_SM_OPEN) return 1;
  if (!LoadSourceManager()) return 0;
  CWnd* parent = WindowOr(window);
  void* handle = parent ? parent->m_hWnd : nullptr;
  return SM(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &handle);
}

int CTwain::CloseSourceManager(CWnd* window) {
  if (m_state != TWS_SM_OPEN) return m_state < TWS_SM_OPEN;
  CWnd* parent = WindowOr(window);
  void* handle = parent ? parent->m_hWnd : nullptr;
  return SM(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &handle);
}

int CTwain::SelectSource(CWnd* window) {
  const int entered = m_state;
  if (!OpenSourceManager(window)) return 0;
  TW_IDENTITY chosen = g_sourceId;
  int ok = SM(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &chosen);
  if (ok) ok = SM(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &chosen);
  if (ok) g_sourceId = chosen;
  DropToState(entered, window);
  return ok;
}

std::vector<TW_IDENTITY> CTwain::Sources(CWnd* window) {
  std::vector<TW_IDENTITY> sources;
  const int entered = m_state;
  if (!OpenSourceManager(window)) return sources;
  TW_IDENTITY identity{};
  for (TW_UINT16 msg = MSG_GETFIRST; SM(DG_CONTROL, DAT_IDENTITY, msg, &identity) && m_rc == TWRC_SUCCESS;
       msg = MSG_GETNEXT)
    sources.push_back(identity);
  DropToState(entered, window);
  return sources;
}

void CTwain::ChooseSource(const char* productName) {
  g_sourceId = TW_IDENTITY{};
  CopyText(g_sourceId.ProductName, productName);
}

const TW_IDENTITY& CTwain::SourceIdentity() { return g_sourceId; }

int CTwain::OpenDefaultSource() {
  if (m_state != TWS_SM_OPEN) return 0;
  TW_IDENTITY wanted = g_sourceId;
  return SM(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &wanted);
}

int CTwain::EnableSource(CWnd* window) {
  if (m_state != TWS_SOURCE_OPEN) return 0;
  CWnd* parent = WindowOr(window);
  m_ui = TW_USERINTERFACE{static_cast<TW_BOOL>(m_showUI != 0), 0, parent ? parent->m_hWnd : nullptr};
  return DS(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui);
}

int CTwain::DisableSource() {
  if (m_state != TWS_SOURCE_ENABLED) return 0;
  return DS(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_ui);
}

int CTwain::CloseSource() {
  if (m_state == TWS_SOURCE_ENABLED && !DisableSource()) return 0;
  if (m_state != TWS_SOURCE_OPEN) return 0;
  TW_IDENTITY source = g_sourceId;
  return SM(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source);
}

int CTwain::EndXfer() {
  if (m_state != TWS_TRANSFERRING && m_state != TWS_TRANSFER_READY) return 0;
  return DS(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &m_pending);
}

int CTwain::CancelXfers() {
  if (m_state != TWS_TRANSFER_READY) return 0;
  return DS(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &m_pending);
}

int CTwain::DropToState(int state, CWnd* window) {
  while (m_state > state) {
    int ok = 0;
    switch (m_state) {
      case TWS_TRANSFERRING:
        ok = EndXfer();
        break;
      case TWS_TRANSFER_READY:
        ok = CancelXfers();
        break;
      case TWS_SOURCE_ENABLED:
        ok = DisableSource();
        break;
      case TWS_SOURCE_OPEN:
        ok = CloseSource();
        break;
      case TWS_SM_OPEN:
        ok = CloseSourceManager(window);
        break;
      default:
        ok = UnloadSourceManager();
        break;
    }
    if (!ok) return 0;
  }
  return 1;
}

int CTwain::BeginAcquire(unsigned short mechanism, CWnd* window) {
  // Memory files (and anything unknown) are refused rather than run as another mechanism.
  if (mechanism != TWSX_NATIVE && mechanism != TWSX_FILE && mechanism != TWSX_MEMORY) return 0;
  m_savedState = m_state;
  if (!OpenSourceManager(window)) {
    TwainError(TWERR_OPEN_DSM);
    DropToState(m_savedState, window);
    return 0;
  }
  if (m_state < TWS_SOURCE_OPEN && !OpenDefaultSource()) {
    TwainError(TWERR_OPEN_SOURCE);
    DropToState(m_savedState, window);
    return 0;
  }
  TW_CAPABILITY cap{ICAP_XFERMECH, TWON_ONEVALUE, MakeOneValue(TWTY_UINT16, mechanism)};
  const int mechanismSet = cap.hContainer != nullptr && DS(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
  TwainFreeHandle(cap.hContainer);
  if (!mechanismSet || !EnableSource(window)) {
    TwainError(TWERR_ENABLE_SOURCE);
    DropToState(m_savedState, window);
    return 0;
  }
  m_mechanism = mechanism;
  return 1;
}

int CTwain::ModalAcquire(unsigned short mechanism, CWnd* window) {
  if (!BeginAcquire(mechanism, window)) return 0;
  CWnd* parent = WindowOr(window);
  if (parent) parent->EnableWindow(false);
  ModalEventLoop();
  if (parent) parent->EnableWindow(true);
  return DropToState(m_savedState, window);
}

void CTwain::ModalEventLoop() {
  while (m_state > TWS_SOURCE_OPEN) {
    TW_BXNOTIFICATION wait{m_modalTimeoutMs, MSG_NULL};
    if (!SM(DG_CONTROL, DAT_BXNOTIFICATION, MSG_GET, &wait)) return;
    if (wait.Message == MSG_NULL) {
      TwainError(TWERR_SOURCE_SILENT);
      return;
    }
    MSG message{nullptr, kTwainNotifyMessage, wait.Message, 0};
    TwainMessageHook(&message);
  }
}

int CTwain::TwainMessageHook(MSG* msg) {
  if (m_state < TWS_SOURCE_ENABLED || msg == nullptr) return 0;
  TW_EVENT event{msg, MSG_NULL};
  DS(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
  const bool handled = m_rc == TWRC_DSEVENT;
  if (event.TWMessage == MSG_XFERREADY) {
    SetState(TWS_TRANSFER_READY);
    XferReady(msg);
  } else if (event.TWMessage == MSG_CLOSEDSREQ || event.TWMessage == MSG_CLOSEDSOK) {
    CloseDsRequest();
  }
  return handled;
}

int CTwain::SM(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  DSMENTRYPROC entry = twainapp::SourceManagerEntry();
  if (entry == nullptr || m_state < TWS_SM_LOADED) {
    m_rc = TWRC_FAILURE;
    return 0;
  }
  m_rc = entry(&m_appId, nullptr, dg, dat, msg, data);
  if (!Succeeded(m_rc) || dg != DG_CONTROL) return Succeeded(m_rc);
  if (dat == DAT_PARENT) SetState(msg == MSG_OPENDSM ? TWS_SM_OPEN : TWS_SM_LOADED);
  if (dat == DAT_IDENTITY && msg == MSG_OPENDS) {
    g_sourceId = *static_cast<TW_IDENTITY*>(data);  // as the manager completed it
    SetState(TWS_SOURCE_OPEN);
  }
  if (dat == DAT_IDENTITY && msg == MSG_CLOSEDS) SetState(TWS_SM_OPEN);
  return 1;
}

int CTwain::DS(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  DSMENTRYPROC entry = twainapp::SourceManagerEntry();
  if (entry == nullptr || m_state < TWS_SOURCE_OPEN) {
    m_rc = TWRC_FAILURE;
    return 0;
  }
  m_rc = entry(&m_appId, &g_sourceId, dg, dat, msg, data);
  const bool transferred = dg == DG_IMAGE && (m_rc == TWRC_XFERDONE || m_rc == TWRC_CANCEL ||
                                              (dat == DAT_IMAGEMEMXFER && m_rc == TWRC_SUCCESS));
  if (transferred && dat != DAT_IMAGEINFO && dat != DAT_PALETTE8) SetState(TWS_TRANSFERRING);
  if (!Succeeded(m_rc)) return 0;
  if (dat == DAT_USERINTERFACE) SetState(msg == MSG_ENABLEDS ? TWS_SOURCE_ENABLED : TWS_SOURCE_OPEN);
  if (dat == DAT_PENDINGXFERS && msg == MSG_ENDXFER)
    SetState(m_pending.Count != 0 ? TWS_TRANSFER_READY : TWS_SOURCE_ENABLED);
  if (dat == DAT_PENDINGXFERS && msg == MSG_RESET) SetState(TWS_SOURCE_ENABLED);
  return 1;
}

TW_UINT16 CTwain::ConditionCode() {
  if (m_state < TWS_SM_OPEN) return TWCC_SEQERROR;
  TW_STATUS status{};
  const TW_UINT16 rc = m_rc;
  const int ok = m_state >= TWS_SOURCE_OPEN ? DS(DG_CONTROL, DAT_STATUS, MSG_GET, &status)
                                            : SM(DG_CONTROL, DAT_STATUS, MSG_GET, &status);
  m_rc = rc;  // asking for the status keeps the result being explained
  return ok ? status.ConditionCode : TWCC_BUMMER;
}
