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

bool CGrabberDlg::StartTriggerEngine()
{
    // Missing: the trigger engine (serial, named-event, camera-line and video sources); nothing starts.
    return false;
}

void CGrabberDlg::StopTriggerEngine()
{
    // Missing: stopping the trigger engine's thread and timers; none run yet.
}

bool CGrabberDlg::IsTriggerSuspended() const
{
    // Missing: the trigger engine's suspended flag; without an engine nothing fires.
    return true;
}

void CGrabberDlg::SetTriggerSuspended(bool /*suspended*/)
{
    // Missing: suspending the trigger engine while a set-up page or a preset load runs.
}

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

void CGrabberDlg::LoadPresetFlash(int /*preset*/)
{
    // Missing: the flash output and its per-preset state.
}

bool CGrabberDlg::FlashState() const
{
    // Missing: the flash output; the flash reads as off.
    return false;
}

void CGrabberDlg::SetFlash(bool /*on*/)
{
    // Missing: switching the flash and the camera output "Out1".
}


void CGrabberDlg::LoadExternalFunctions()
{
    // Missing: loading the external functions library and calling its "Init".
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
