// Where the core calls subsystems that are not built yet. Each hook keeps the
// place and order the capture workflow gives it and says what is still missing.
#include "app/station/CGrabberDlg.h"

#include "app/GrabberApp.h"
#include "app/LogTrace.h"
#include "layout/ApplicationPath.h"
#include "platform/ProfileStore.h"
#include "records/odbc/DatabaseSettings.h"
#include "records/odbc/OdbcConnection.h"

void CGrabberDlg::CallPreSave(CFoto& /*photo*/)
{
    // Missing: the external functions library's "PreSave" hook on the photo data.
}

bool CGrabberDlg::OpenDatabase(const std::string& dsn, const std::string& user, const std::string& password)
{
    try {
        easyodbc::OdbcConnection connection;
        connection.Open(dsn, user, password);
        return true;
    } catch (const easyodbc::EasyODBCException&) {
        return false;
    }
}

void CGrabberDlg::LoadLayoutList()
{
    {
        std::lock_guard lock(m_layoutLock);
        if (m_layoutList)
            return;
    }
    const float aspectRatio =
        static_cast<float>(ReadInt(CGrabberApp::kSectionProgram, "Default Aspect Ratio", 1370)) / 1000.0f;
    auto list = std::make_unique<CLayoutList>(CLayoutList::Place{
        DatabaseSettings::Read(bx::ProfileStore(m_app.ApplicationName())),
        bx::layout::ApplicationFolder(ReadString(CGrabberApp::kSectionProgram, "Application Path", "")), aspectRatio});
    if (!list->Load("", true))
        return;  // tried again at the next shot
    CLayoutObject layout = list->FindById(ReadInt(CGrabberApp::kSectionProgram, "Last Layout ID", -1));
    if (!layout.unusable.empty()) {
        TheLog().WriteLine("Layout " + layout.layoutName + " is not used: " + layout.unusable);
        layout = CLayoutObject(aspectRatio);
    }
    std::lock_guard lock(m_layoutLock);
    m_layoutList = std::move(list);
    m_layout = layout;
}
