// The program itself, headless on the simulated camera.
#include "StationFixture.h"

#include "pixlib/codecs/Thumbnail.h"
#include "pixlib/core/CxImage.h"
#include "records/CStorySet.h"
#include "records/DatabaseSchema.h"
#include "records/odbc/OdbcSession.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>

namespace fs = std::filesystem;

namespace {

struct RunResult {
    int exitCode = -1;
    std::string output;
};

RunResult RunHeadless(const StationFolder& folder, int shots)
{
    const std::string command = "BX_CONFIG_DIR='" + folder.ConfigFolder().string() + "' BX_STATE_DIR='" +
                                folder.StateFolder().string() + "' '" BX_GRABBER_PATH "' --headless --shots " +
                                std::to_string(shots) + " --interval 0 2>&1";
    RunResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 512> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe))
        result.output += buffer.data();
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string LastImageLine(const std::string& output)
{
    const size_t start = output.rfind("\nImage ");
    if (start == std::string::npos)
        return {};
    return output.substr(start + 1, output.find('\n', start + 1) - start - 1);
}

TEST(HeadlessStationTest, TwentyShotsGiveTwentyPhotosWithThumbnails)
{
    StationFolder folder;
    folder.WriteProfile(folder.PhotoFolder().string() + "/");
    const RunResult run = RunHeadless(folder, 20);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(LastImageLine(run.output).find("status Ok, photos saved 20"), std::string::npos) << run.output;

    const auto photos = folder.SavedPhotos();
    ASSERT_EQ(photos.size(), 20u) << run.output;
    for (const fs::path& photo : photos) {
        ASSERT_EQ(photo.parent_path().parent_path().parent_path().filename(), "images") << photo;
        ImageTrailer trailer;
        ASSERT_TRUE(ReadImageTrailer(photo, trailer)) << photo;
        EXPECT_EQ(trailer.flags & 1u, 1u) << photo;
        EXPECT_LT(trailer.thumbnailOffset, fs::file_size(photo) - 64) << photo;
        CxImage thumbnail;
        ASSERT_NE(LoadThumbNail(thumbnail, photo.c_str(), 0, 1024), 0) << photo;
        EXPECT_EQ(std::max(thumbnail.Width(), thumbnail.Height()), 1024) << photo;
    }
}

TEST(HeadlessStationTest, WithoutAPhotoFolderNothingIsSaved)
{
    StationFolder folder;
    folder.WriteProfile("");
    const RunResult run = RunHeadless(folder, 2);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(LastImageLine(run.output).find("status Ko, photos saved 0"), std::string::npos) << run.output;
    EXPECT_TRUE(folder.SavedPhotos().empty());
    EXPECT_TRUE(fs::is_empty(folder.PhotoFolder()));
}

}  // namespace

TEST(HeadlessStationTest, EverySavedShotCountsInTheOperatorsDailyTally)
{
    StationFolder folder;
    const std::string database = (folder.Root() / "tally.sqlite").string();
    DatabaseSettings settings;
    settings.storedConnection = "ODBC;DSN=Data;UID=sa;PWD=;Database=" + database + ";NoCreat=0";
    {
        bx::odbc::OdbcSession session(settings.ConnectionString());
        CreateMissingTables(session);
    }
    folder.WriteProfile(folder.PhotoFolder().string() + "/",
                        "ODBC Default Connection=" + settings.storedConnection + "\nOperatorName=O'Brien\n");
    const RunResult run = RunHeadless(folder, 3);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(folder.SavedPhotos().size(), 3u);
    EXPECT_EQ(CStorySet(settings).CountImported("O'Brien", "", ""), 3);
}

TEST(HeadlessStationTest, WithoutADatabaseConnectionNothingIsSaved)
{
    StationFolder folder;
    folder.WriteProfile(folder.PhotoFolder().string() + "/", "Database Type=2\n");
    const RunResult run = RunHeadless(folder, 2);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(LastImageLine(run.output).find("status Ko, photos saved 0"), std::string::npos) << run.output;
    EXPECT_TRUE(folder.SavedPhotos().empty());
}
