// The program itself, headless on the simulated camera.
#include "StationFixture.h"

#include "pixlib/codecs/Thumbnail.h"
#include "pixlib/core/CxImage.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>

namespace fs = std::filesystem;

namespace {

struct RunResult {
    int exitCode = -1;
    std::string output;
};

// Runs a shell command line; its exit code and its output and error lines.
RunResult RunCommand(const std::string& command)
{
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

std::string Environment(const StationFolder& folder)
{
    return "BX_CONFIG_DIR='" + folder.ConfigFolder().string() + "' BX_STATE_DIR='" + folder.StateFolder().string() +
           "' ";
}

// `prefix` goes before the program, e.g. to run it as another user.
RunResult RunHeadless(const StationFolder& folder, int shots, const std::string& prefix = "")
{
    return RunCommand(Environment(folder) + prefix + "'" BX_GRABBER_PATH "' --headless --shots " + std::to_string(shots) +
               " --interval 0 2>&1");
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

TEST(HeadlessStationTest, WithoutAPhotoFolderNothingIsSavedAndTheRunFails)
{
    StationFolder folder;
    folder.WriteProfile("");
    RunResult run = RunHeadless(folder, 2);
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(LastImageLine(run.output).find("status Ko (\"DatabasePath\" is empty), photos saved 0"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("0 of 2 photos saved"), std::string::npos) << run.output;
    EXPECT_TRUE(fs::is_empty(folder.PhotoFolder()));

    const std::string missing = (folder.Root() / "unmounted").string();
    folder.WriteProfile(missing + "/");
    run = RunHeadless(folder, 3);
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("folder " + missing + " (\"DatabasePath\") does not exist"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("0 of 3 photos saved"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(missing));
}

// Permissions do not bind root: the station then runs as an unprivileged user.
TEST(HeadlessStationTest, AReadOnlyImageFolderFailsEveryShot)
{
    std::string asUser;
    if (::geteuid() == 0) {
        if (::access("/usr/bin/setpriv", X_OK) != 0)
            GTEST_SKIP() << "running as root without /usr/bin/setpriv to drop privileges";
        asUser = "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    StationFolder folder;
    folder.WriteProfile(folder.PhotoFolder().string() + "/");
    const fs::path images = folder.PhotoFolder() / "images";
    fs::create_directories(images);
    for (const fs::path& writable : {folder.Root(), folder.ConfigFolder(), folder.StateFolder()})
        fs::permissions(writable, fs::perms::all);
    fs::permissions(folder.PhotoFolder(), fs::perms::all);
    fs::permissions(images, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                fs::perms::others_exec | fs::perms::group_read | fs::perms::group_exec);
    const RunResult run = RunHeadless(folder, 2, asUser);
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(LastImageLine(run.output).find("cannot create folder " + images.string() + "/Operatore: Permission denied"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("0 of 2 photos saved"), std::string::npos) << run.output;
    EXPECT_TRUE(fs::is_empty(images));
}

TEST(HeadlessStationTest, HelpListsTheOptionsAndUnknownOptionsAreReported)
{
    for (const char* help : {"--help", "-h"}) {
        const RunResult run = RunCommand("'" BX_GRABBER_PATH "' " + std::string(help) + " 2>&1");
        EXPECT_EQ(run.exitCode, 0) << run.output;
        for (const char* option : {"-dMS", "-tSERVER", "-p ", "-iN", "--headless", "--shots N", "--interval MS",
                                   "BX_CONFIG_DIR", "BX_STATE_DIR"})
            EXPECT_NE(run.output.find(option), std::string::npos) << option << "\n" << run.output;
        EXPECT_EQ(run.output.find("Title:"), std::string::npos) << "the station started:\n" << run.output;
    }
    StationFolder folder;
    folder.WriteProfile("");
    const RunResult run = RunCommand(Environment(folder) + "'" BX_GRABBER_PATH "' --headless --shots 0 --frobnicate 2>&1");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("unknown option --frobnicate"), std::string::npos) << run.output;
}

}  // namespace
