#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "PropertyListSearch.h"
#include "tests/platform/RunShell.h"
#include "RecordingCamera.h"
#include "pylon/TlFactory.h"

using namespace Pylon;

namespace {

const char* const kFakeCamera = "/usr/bin/arv-fake-gv-camera-0.8";
const char* const kArvTool = "/usr/bin/arv-tool-0.8";

// The Aravis fake GigE Vision camera on loopback, as a child process.
class CFakeGigECamera {
 public:
  explicit CFakeGigECamera(const std::string& serial) {
    m_pid = ::fork();
    if (m_pid == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // gone with the test, even when it crashes
      ::execl(kFakeCamera, kFakeCamera, "-i", "127.0.0.1", "-s", serial.c_str(), nullptr);
      ::_exit(127);
    }
  }
  ~CFakeGigECamera() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    ::waitpid(m_pid, nullptr, 0);
  }
  CFakeGigECamera(const CFakeGigECamera&) = delete;
  CFakeGigECamera& operator=(const CFakeGigECamera&) = delete;

 private:
  pid_t m_pid = -1;
};

// The fake camera answers discovery shortly after it starts.
bool OpenWhenDiscovered(CGenPylonCamera& camera, const std::string& serial) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (camera.OpenBySerial(serial)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return false;
}

// The value Aravis's own tool reads from the fake camera ("NAME = VALUE min:...").
std::string ToolValue(const std::string& feature) {
  const std::string command = std::string(kArvTool) + " -a 127.0.0.1 control " + feature + " 2>&1";
  const std::string output = RunShell(command).output;
  const std::string prefix = feature + " = ";
  const size_t start = output.find(prefix);
  if (start == std::string::npos) return output;
  const size_t value = start + prefix.size();
  return output.substr(value, output.find_first_of(" \n", value) - value);
}

}  // namespace

TEST(AravisCamera, OpenGrabAndCloseAgainstTheFakeGigECamera) {
  if (::access(kFakeCamera, X_OK) != 0)
    GTEST_SKIP() << kFakeCamera << " is missing (Debian package aravis-tools)";
  const std::string serial = "BXCAM" + std::to_string(::getpid());
  CFakeGigECamera fake(serial);
  CTlFactory::GetInstance().SelectTransport("aravis");

  CRecordingCamera camera("CameraTest");
  ASSERT_TRUE(OpenWhenDiscovered(camera, serial));
  GenApi::CEnumerationPtr(camera.GetNodeMap()->GetNode("TriggerMode"))->FromString("On");
  GenApi::CEnumerationPtr(camera.GetNodeMap()->GetNode("TriggerSource"))->FromString("Software");
  camera.SetRequestedPixelType(PixelType_Mono8);
  ASSERT_TRUE(camera.PrepareGrab(2));
  EXPECT_EQ(camera.GetCameraPixelType(), PixelType_Mono8);
  GenApi::CCommandPtr trigger(camera.GetNodeMap()->GetNode("TriggerSoftware"));
  for (size_t shot = 1; shot <= 2; ++shot) {
    trigger->Execute();
    ASSERT_TRUE(camera.WaitForFrames(shot));
  }
  const SDeliveredFrame frame = camera.Frame(0);
  EXPECT_EQ(frame.channels, 3);
  EXPECT_EQ(frame.ownership, OwnershipHeaderAndData);
  ASSERT_FALSE(frame.pixels.empty());
  const std::array<int, 3> colour = frame.ColourAt(frame.width / 2, frame.height / 2);
  EXPECT_EQ(colour[0], colour[1]);
  EXPECT_EQ(colour[1], colour[2]);

  camera.Close();
  EXPECT_FALSE(camera.IsOpen());
  CTlFactory::GetInstance().SelectTransport("sim");
}

// The trigger engine's camera configuration on a camera with trigger nodes but
// no lines or user outputs: software triggering works, the rest is refused or skipped.
TEST(AravisCamera, TriggerConfigurationOnTheFakeGigECamera) {
  if (::access(kFakeCamera, X_OK) != 0)
    GTEST_SKIP() << kFakeCamera << " is missing (Debian package aravis-tools)";
  const std::string serial = "BXTRG" + std::to_string(::getpid());
  CFakeGigECamera fake(serial);
  CTlFactory::GetInstance().SelectTransport("aravis");

  CRecordingCamera camera("CameraTest");
  ASSERT_TRUE(OpenWhenDiscovered(camera, serial));
  EXPECT_TRUE(camera.ConfigureTrigger(false, true, "Line1"));
  EXPECT_FALSE(camera.IsHardwareTriggerSource());
  EXPECT_FALSE(camera.ConfigureTrigger(true, false, "Line0"));  // no falling edge here
  EXPECT_EQ(camera.TracesStartingWith("ConfigureTrigger Line0: "), 1u);
  EXPECT_TRUE(camera.ConfigureTrigger(false, true, "Line1"));
  camera.SetLineDebounce(500000, "Line1");  // no debouncer: nothing happens
  EXPECT_EQ(camera.ReadLineStatus(), 0);

  camera.SetRequestedPixelType(PixelType_Mono8);
  ASSERT_TRUE(camera.PrepareGrab(2));
  GenApi::CCommandPtr(camera.GetNodeMap()->GetNode("TriggerSoftware"))->Execute();
  EXPECT_TRUE(camera.WaitForFrames(1));
  camera.Close();
  CTlFactory::GetInstance().SelectTransport("sim");
}

// Settings saved from one connection are loaded into a fresh one and reach the
// camera itself, as Aravis's own tool reads it.
TEST(AravisCamera, SavedFeaturesReachTheCameraThroughAFreshConnection) {
  if (::access(kFakeCamera, X_OK) != 0 || ::access(kArvTool, X_OK) != 0)
    GTEST_SKIP() << kFakeCamera << " or " << kArvTool << " is missing (aravis-tools, aravis-tools-cli)";
  const std::string serial = "BXSET" + std::to_string(::getpid());
  const std::string file =
      (std::filesystem::temp_directory_path() / ("aravis-settings-" + serial + ".xml")).string();
  CFakeGigECamera fake(serial);
  CTlFactory::GetInstance().SelectTransport("aravis");
  {
    CRecordingCamera camera("CameraTest");
    ASSERT_TRUE(OpenWhenDiscovered(camera, serial));
    CPropertyList list;
    camera.GetProperties(list);
    const CProperty* exposure = Field(list, "AcquisitionControl", "ExposureTimeAbs");
    const CProperty* width = Field(list, "ImageFormatControl", "Width");
    ASSERT_NE(exposure, nullptr);
    ASSERT_NE(width, nullptr);
    EXPECT_EQ(width->kind, PropertyKind::Int64);
    // The camera's own display name is shown, its feature name kept beside it.
    const CProperty* format = FindItem(list, false, "PixelFormat");
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->label, "Pixel format");
    EXPECT_EQ(exposure->label, "Exposure Time Abs");  // it gives none: the feature's name in words
    EXPECT_EQ(Group(list, "ImageFormatControl")->label, "Image Format Control");
    ASSERT_TRUE(camera.OnPropertyChanged(exposure->Id(), PropertyValue(25000.0)));
    ASSERT_TRUE(camera.OnPropertyChanged(width->Id(), PropertyValue(std::int64_t{256})));
    ASSERT_TRUE(camera.SaveCameraSettings(file, "Set0"));
    // Other values before the next connection loads the saved ones.
    ASSERT_TRUE(camera.OnPropertyChanged(exposure->Id(), PropertyValue(12000.0)));
    ASSERT_TRUE(camera.OnPropertyChanged(width->Id(), PropertyValue(std::int64_t{512})));
    camera.Close();
  }
  {
    CRecordingCamera camera("CameraTest");
    ASSERT_TRUE(OpenWhenDiscovered(camera, serial));
    ASSERT_TRUE(camera.LoadCameraSettings(file, "Set0"));
    for (const std::string& refusal : camera.LoadRefusals()) ADD_FAILURE() << refusal;
    camera.Close();
  }
  EXPECT_EQ(ToolValue("ExposureTimeAbs"), "25000");
  EXPECT_EQ(ToolValue("Width"), "256");
  std::filesystem::remove(file);
  CTlFactory::GetInstance().SelectTransport("sim");
}
