// The save sequence of one captured photo and the database probe.
#include "app/station/CGrabberDlg.h"

#include "app/GrabberApp.h"
#include "app/numbering/ImageTreePaths.h"
#include "platform/ProfileStore.h"
#include "records/odbc/DatabaseSettings.h"

#include <cstdio>
#include <sstream>
#include <vector>

namespace {

constexpr int kJpegFileType = 2;
constexpr int kThumbnailSize = 1024;

std::vector<std::string> SplitAt(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);)
        parts.push_back(part);
    return parts;
}

// "DSN=Data" read as "DSN=%s": the prefix must match; the value may be empty.
bool ReadConnectionField(const std::string& part, const std::string& prefix, std::string& value)
{
    if (part.compare(0, prefix.size(), prefix) != 0)
        return false;
    value = part.substr(prefix.size());
    return true;
}

}  // namespace

void CGrabberDlg::SaveImage()
{
    const int filmNumber = CPhotoNumbering::FilmNumberOf(m_numberingClock.Now());
    std::string databasePath, operatorName, serverName, databaseFile;
    GetDatabaseSettings(serverName, databasePath, operatorName, databaseFile);
    if (databasePath.empty()) {
        SetStatus("Ko");
        return;
    }
    LoadLayoutList();
    const auto number = m_numbering.NumberPhoto(serverName, m_showDelay);
    if (!number) {
        // No counter could be obtained; the numbering has logged why.
        SetStatus("Ko");
        return;
    }
    SetStatus("Ok");
    CallPreSave();
    if (!TestDatabaseConnection()) {
        SetStatus("Ko");
        return;
    }
    const ImageTreePaths paths = ImageTreePaths::For(databasePath, operatorName, filmNumber, number->counter);
    paths.CreateFolders();
    const int quality = ReadInt("Program settings", "JPEG Quality", 90);
    if (!m_outputImage.Save(paths.filePath.c_str(), kJpegFileType, 0, quality, nullptr, 1))
        return;
    m_outputImage.LoadThumbnail(paths.filePath.c_str(), 1, 1, kThumbnailSize, 1, 0, nullptr);
    ++m_savedCount;
    InsertPhotoRecord();
    InsertStoryEntry();
}

void CGrabberDlg::ResetExternalCounter()
{
    std::string server, path, op, file;
    GetDatabaseSettings(server, path, op, file);
    m_numbering.ResetExternalCounter(server);
}

void CGrabberDlg::PulseExternalCounter(int n)
{
    m_numbering.PulseExternalCounter(n);
}

bool CGrabberDlg::TestDatabaseConnection()
{
    const std::string connection =
        DatabaseSettings::Read(bx::ProfileStore(m_app.ApplicationName())).ConnectionString();
    const std::vector<std::string> parts = SplitAt(connection, ';');
    std::string dsn, user, password;
    if (parts.size() < 4 || !ReadConnectionField(parts[1], "DSN=", dsn) ||
        !ReadConnectionField(parts[2], "UID=", user) || !ReadConnectionField(parts[3], "PWD=", password))
        return false;
    return OpenDatabase(dsn, user, password);
}
