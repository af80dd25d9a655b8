// Where the core calls subsystems that are not built yet. Each hook keeps the
// place and order the capture workflow gives it and says what is still missing.
#include "app/station/CGrabberDlg.h"

#include "app/GrabberApp.h"
#include "app/LogTrace.h"
#include "platform/ProfileStore.h"
#include "records/CStorySet.h"
#include "records/odbc/OdbcConnection.h"

#include <chrono>
#include <thread>

namespace {

// A record that fails is tried again this often, this far apart.
constexpr int kRecordAttempts = 5;
constexpr auto kRecordRetryPause = std::chrono::milliseconds(1000);

}  // namespace

void CGrabberDlg::ArmVideoTrigger()
{
    // Missing: arming the video motion trigger (live mode on the camera's own frames).
}

bool CGrabberDlg::VideoDetectsMotion(const CxImage& /*preview*/)
{
    // Missing: the video motion detector; every live frame is shown, none triggers.
    return false;
}

void CGrabberDlg::LoadPresetCameraProperties(int /*preset*/)
{
    // Missing: loading the preset's camera features from the properties file ("Set%d").
}

void CGrabberDlg::CallPreSave()
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
    // Missing: the layout list and the selected layout ("Last Layout ID").
}

void CGrabberDlg::InsertPhotoRecord()
{
    // Missing: the photo table row (5 attempts, 1 s apart) and the per-photo XML.
}

void CGrabberDlg::InsertStoryEntry()
{
    std::string server, path, op, file;
    GetDatabaseSettings(server, path, op, file);
    for (int attempt = 1; attempt <= kRecordAttempts; ++attempt) {
        CStorySet story(DatabaseSettings::Read(bx::ProfileStore(m_app.ApplicationName())));
        if (story.AddCountsForOperators(op, 1, 0, 0, "", true))
            return;
        if (attempt < kRecordAttempts && !m_destroyed)
            std::this_thread::sleep_for(kRecordRetryPause);
    }
    TheLog().WriteLine("The daily tally of " + op + " could not be recorded");
}
