// Where the core calls subsystems that are not built yet. Each hook keeps the
// place and order the capture workflow gives it and says what is still missing.
#include "app/station/CGrabberDlg.h"

#include "app/GrabberApp.h"
#include "platform/LogTrace.h"
#include "layout/ApplicationPath.h"
#include "platform/ProfileStore.h"
#include "odbc/DatabaseSettings.h"
#include "odbc/OdbcConnection.h"

bool CGrabberDlg::OpenDatabase(const std::string& dsn, const std::string& user, const std::string& password) {
  try {
    easyodbc::OdbcConnection connection;
    connection.Open(dsn, user, password);
    return true;
  } catch (const easyodbc::EasyODBCException&) {
    return false;
  }
}

bool CGrabberDlg::IsLayoutListLoaded() const {
  std::lock_guard lock(m_layoutLock);
  return m_layoutList != nullptr;
}

void CGrabberDlg::LoadLayoutList() {
  {
    std::lock_guard lock(m_layoutLock);
    if (m_layoutList) return;
  }
  const float aspectRatio =
      static_cast<float>(ReadInt(CGrabberApp::kSectionProgram, "Default Aspect Ratio", 1370)) / 1000.0f;
  auto list = std::make_unique<CLayoutList>(CLayoutList::Place{
      DatabaseSettings::Read(bx::ProfileStore(m_app.ApplicationName())),
      bx::layout::ApplicationFolder(ReadString(CGrabberApp::kSectionProgram, "Application Path", "")),
      aspectRatio});
  if (!list->Load("", true)) return;  // tried again at the next shot
  CLayoutObject layout = UsableLayout(*list, ReadInt(CGrabberApp::kSectionProgram, "Last Layout ID", -1));
  std::lock_guard lock(m_layoutLock);
  if (m_layoutList) return;  // the other thread loaded it meanwhile; pages may hold that list
  m_layoutList = std::move(list);
  m_layout = layout;
}
