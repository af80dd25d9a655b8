// CTwain against the fake data source through the library's own source
// manager: states, transfers of every pixel type, injected failures and
// sources that misbehave.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "pixlib/codecs/ImageView.h"
#include "pixlib/twain/TwainHandle.h"
#include "platform/DynamicLibrary.h"
#include "tests/twain/FakePicture.h"
#include "tests/twain/TwainTestSupport.h"

namespace {

using twainfake::FakeSettings;
using twaintest::RecordingTwain;

class TwainFakeSource : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_fake.IsOpen()) << m_fake.Error();
    m_setup = m_fake.Find<void(const FakeSettings*)>("FakeSourceSetup");
    ASSERT_NE(m_setup, nullptr);
    Configure(FakeSettings{});
  }
  void TearDown() override { Configure(FakeSettings{}); }
  void Configure(const FakeSettings& settings) { m_setup(&settings); }

  twaintest::ScopedEnv m_sources{"BX_TWAIN_SOURCES", FAKE_SOURCES_DIR};
  twaintest::ScopedEnv m_default{"BX_TWAIN_DEFAULT", nullptr};
  std::string m_tmp = twaintest::MakeTempFolder();
  twaintest::ScopedEnv m_tmpdir{"TMPDIR", m_tmp.c_str()};
  bx::DynamicLibrary m_fake{FAKE_SOURCE_PATH};
  void (*m_setup)(const FakeSettings*) = nullptr;
};

// B, G, R of the known picture at (x, y from the top) in the given settings.
std::array<int, 3> Expected(const FakeSettings& s, int x, int y) {
  auto bgr = [](twainfake::Rgb c) { return std::array<int, 3>{c.b, c.g, c.r}; };
  auto grey = [](int v) { return std::array<int, 3>{v, v, v}; };
  if (s.pixelType == TWPT_RGB) return bgr(twainfake::ColourAt(x, y));
  if (s.pixelType == TWPT_PALETTE) return bgr(twainfake::PaletteColour(twainfake::IndexAt(x, y)));
  if (s.pixelType == TWPT_BW) return grey(twainfake::InkAt(x, y) ? 0 : 255);
  if (s.bitsPerSample == 4) return grey((twainfake::GreyAt(x, y) >> 4) * 17);
  return grey(twainfake::GreyAt(x, y));
}

// Number of pixels that differ from the known picture (all when the size differs).
int WrongPixels(CxImage& image, const FakeSettings& s) {
  if (image.Width() != twainfake::kWidth || image.Height() != twainfake::kHeight)
    return twainfake::kWidth * twainfake::kHeight;
  const pixcodec::PixelView view = pixcodec::ViewOf(image);
  int wrong = 0;
  for (int y = 0; y < view.height; ++y)
    for (int x = 0; x < view.width; ++x) {
      const unsigned char* p = view.TopRow(y) + x * view.channels;
      const auto want = Expected(s, x, y);
      wrong += p[0] != want[0] || p[1] != want[1] || p[2] != want[2];
    }
  return wrong;
}

TEST_F(TwainFakeSource, WalksEveryStateUpAndBackDown) {
  RecordingTwain twain;
  EXPECT_EQ(twain.ConditionCode(), TWCC_SEQERROR);  // no session yet
  ASSERT_EQ(twain.Sources(nullptr).size(), 1u);
  EXPECT_STREQ(twain.Sources(nullptr)[0].ProductName, "Fake Source");
  EXPECT_TRUE(twain.SelectSource(nullptr));  // the default, and back where it was called
  EXPECT_EQ(twain.State(), TWS_PRESESSION);
  {
    twaintest::ScopedEnv unknown("BX_TWAIN_DEFAULT", "No Such Source");
    EXPECT_FALSE(twain.SelectSource(nullptr));
  }

  twain.transferOnReady = false;
  twain.states.clear();
  ASSERT_TRUE(twain.LoadSourceManager());
  ASSERT_TRUE(twain.OpenSourceManager(nullptr));
  ASSERT_TRUE(twain.OpenDefaultSource());
  EXPECT_STREQ(CTwain::SourceIdentity().ProductName, "Fake Source");
  ASSERT_TRUE(twain.EnableSource(nullptr));
  TW_BXNOTIFICATION wait{1000, MSG_NULL};
  ASSERT_TRUE(twain.SM(DG_CONTROL, DAT_BXNOTIFICATION, MSG_GET, &wait));
  ASSERT_EQ(wait.Message, MSG_XFERREADY);
  MSG message{nullptr, kTwainNotifyMessage, wait.Message, 0};
  EXPECT_TRUE(twain.TwainMessageHook(&message));
  TW_HANDLE dib = nullptr;
  EXPECT_TRUE(twain.DS(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib));
  EXPECT_EQ(twain.ResultCode(), TWRC_XFERDONE);
  TwainFreeHandle(dib);
  EXPECT_EQ(twain.State(), TWS_TRANSFERRING);
  EXPECT_TRUE(twain.DropToState(TWS_PRESESSION, nullptr));
  EXPECT_EQ(twain.states, (std::vector<int>{2, 3, 4, 5, 6, 7, 5, 4, 3, 2, 1}));

  // A modal acquisition of two pictures walks the whole cycle twice and comes back.
  Configure(FakeSettings{.pictures = 2});
  twain.transferOnReady = true;
  twain.states.clear();
  EXPECT_TRUE(twain.ModalAcquire(TWSX_NATIVE, nullptr));
  EXPECT_EQ(twain.states, (std::vector<int>{2, 3, 4, 5, 6, 7, 6, 7, 5, 4, 3, 2, 1}));
  ASSERT_EQ(twain.Images().size(), 2u);
  EXPECT_EQ(twain.Images()[1]->Resolution(), (CSize{150, 150}));

  // With the manager library kept loaded, the sources are listed afresh for
  // each session and the chosen one is still found.
  ASSERT_TRUE(twain.LoadSourceManager());
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(twain.ModalAcquire(TWSX_MEMORY, nullptr));
    EXPECT_EQ(twain.State(), TWS_SM_LOADED);
  }
  EXPECT_EQ(twain.Images().size(), 6u);
}

TEST_F(TwainFakeSource, EveryPixelTypeArrivesUprightThroughEachMechanism) {
  const FakeSettings kinds[] = {
      {.pixelType = TWPT_RGB, .bitsPerSample = 8},
      {.pixelType = TWPT_RGB, .bitsPerSample = 16},
      {.pixelType = TWPT_GRAY, .bitsPerSample = 8},
      {.pixelType = TWPT_GRAY, .bitsPerSample = 16},
      {.pixelType = TWPT_GRAY, .bitsPerSample = 4},
      {.pixelType = TWPT_BW, .bitsPerSample = 1, .pixelFlavor = TWPF_CHOCOLATE},
      {.pixelType = TWPT_BW, .bitsPerSample = 1, .pixelFlavor = TWPF_VANILLA},
      {.pixelType = TWPT_PALETTE, .bitsPerSample = 4},
  };
  for (const unsigned short mechanism : {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY}) {
    for (FakeSettings kind : kinds) {
      kind.preferredBlock = 61;  // odd, and smaller than some rows: blocks of one row or clamped
      Configure(kind);
      RecordingTwain twain;
      EXPECT_TRUE(twain.ModalAcquire(mechanism, nullptr));
      SCOPED_TRACE(::testing::Message()
                   << "mechanism " << mechanism << ", type " << kind.pixelType << ", bits "
                   << kind.bitsPerSample << ", flavour " << kind.pixelFlavor);
      ASSERT_EQ(twain.Images().size(), 1u);
      EXPECT_EQ(WrongPixels(*twain.Images()[0], kind), 0);
      EXPECT_EQ(twain.State(), TWS_PRESESSION);
    }
  }
  // The library's own transfer file is gone afterwards.
  EXPECT_EQ(twaintest::CountFiles(m_tmp, "bxtwain-"), 0);
}

struct InjectedFailure {
  TW_UINT32 dg;
  TW_UINT16 dat;
  TW_UINT16 msg;
  unsigned short mechanism;
  int acquireResult;
  std::vector<TW_ERR> errors;
  std::size_t images;
  int failedTransfers;
};

TEST_F(TwainFakeSource, InjectedFailuresReportAndLeaveTheManagerReusable) {
  const InjectedFailure failures[] = {
      {DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, TWSX_NATIVE, 0, {TWERR_OPEN_SOURCE}, 0, 0},
      {DG_CONTROL, DAT_CAPABILITY, MSG_SET, TWSX_NATIVE, 0, {TWERR_ENABLE_SOURCE}, 0, 0},
      {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, TWSX_NATIVE, 0, {TWERR_ENABLE_SOURCE}, 0, 0},
      {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, TWSX_NATIVE, 1, {}, 0, 1},
      {DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, TWSX_FILE, 1, {}, 0, 1},
      {DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, TWSX_FILE, 1, {}, 0, 1},
      {DG_IMAGE, DAT_IMAGEINFO, MSG_GET, TWSX_MEMORY, 1, {}, 0, 1},
      {DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, TWSX_MEMORY, 1, {}, 0, 1},
      {DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, TWSX_MEMORY, 1, {}, 0, 1},
      // The source stays in state 7 and never asks to be closed: the loop times out.
      {DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, TWSX_NATIVE, 1, {TWERR_SOURCE_SILENT}, 1, 0},
      {DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, TWSX_NATIVE, 1, {TWERR_SOURCE_SILENT}, 1, 0},
      // Dropping back stops where closing the source failed.
      {DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, TWSX_NATIVE, 0, {}, 1, 0},
  };
  for (const InjectedFailure& f : failures) {
    SCOPED_TRACE(::testing::Message() << "failing dat " << f.dat << " msg " << f.msg);
    Configure(FakeSettings{.failGroup = f.dg, .failDat = f.dat, .failMsg = f.msg});
    RecordingTwain twain;
    twain.SetModalTimeout(300);
    EXPECT_EQ(twain.ModalAcquire(f.mechanism, nullptr), f.acquireResult);
    EXPECT_EQ(twain.Errors(), f.errors);
    EXPECT_EQ(twain.Images().size(), f.images);
    EXPECT_EQ(twain.FailedTransfers(), f.failedTransfers);
    EXPECT_TRUE(twain.DropToState(TWS_PRESESSION, nullptr));

    RecordingTwain again;
    EXPECT_TRUE(again.ModalAcquire(f.mechanism, nullptr));
    ASSERT_EQ(again.Images().size(), 1u);
    EXPECT_EQ(WrongPixels(*again.Images()[0], FakeSettings{}), 0);
  }
}

TEST_F(TwainFakeSource, MisbehavingSourcesNeitherCorruptNorHang) {
  for (int bogus : {1, 2, 3}) {
    Configure(FakeSettings{.bogusBlock = bogus});
    RecordingTwain twain;
    EXPECT_TRUE(twain.ModalAcquire(TWSX_MEMORY, nullptr));
    EXPECT_EQ(twain.FailedTransfers(), 1) << "bogus block " << bogus;
    EXPECT_EQ(twain.State(), TWS_PRESESSION);
  }
  Configure(FakeSettings{.unknownLength = true});
  {
    RecordingTwain twain;
    EXPECT_TRUE(twain.ModalAcquire(TWSX_MEMORY, nullptr));
    EXPECT_EQ(twain.FailedTransfers(), 1);
  }

  // Without a close request, or without any notice, the loop gives up after its time-out.
  for (const FakeSettings& quiet : {FakeSettings{.neverClose = true}, FakeSettings{.silent = true}}) {
    Configure(quiet);
    RecordingTwain twain;
    twain.SetModalTimeout(200);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(twain.ModalAcquire(TWSX_NATIVE, nullptr));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(twain.Errors(), std::vector<TW_ERR>{TWERR_SOURCE_SILENT});
    EXPECT_EQ(twain.Images().size(), quiet.silent ? 0u : 1u);
    EXPECT_EQ(twain.State(), TWS_PRESESSION);
  }

  // A client that takes no picture cancels the rest instead of staying in state 6.
  Configure(FakeSettings{.pictures = 3});
  {
    RecordingTwain twain;
    twain.SetMaxImages(1);
    EXPECT_TRUE(twain.ModalAcquire(TWSX_NATIVE, nullptr));
    EXPECT_EQ(twain.Images().size(), 1u);
    EXPECT_TRUE(twain.Errors().empty());
    EXPECT_EQ(twain.states, (std::vector<int>{2, 3, 4, 5, 6, 7, 6, 5, 4, 3, 2, 1}));
  }

  // Memory files are refused before anything is opened.
  {
    RecordingTwain twain;
    EXPECT_FALSE(twain.ModalAcquire(TWSX_MEMFILE, nullptr));
    EXPECT_TRUE(twain.states.empty());
  }
}

TEST_F(TwainFakeSource, FileTransferDeletesOnlyItsOwnFile) {
  const std::string work = twaintest::MakeTempFolder();
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(work);
  Configure(FakeSettings{.ignoreFileName = true});
  RecordingTwain twain;
  EXPECT_TRUE(twain.ModalAcquire(TWSX_FILE, nullptr));
  std::filesystem::current_path(previous);
  EXPECT_EQ(twain.FailedTransfers(), 1);                      // our file stayed empty
  EXPECT_TRUE(std::filesystem::exists(work + "/twain.bmp"));  // the source's own file is left alone
  EXPECT_EQ(twaintest::CountFiles(m_tmp, "bxtwain-"), 0);
  std::filesystem::remove_all(work);
}

// The answer about the source manager is kept for the process, so this runs in a child.
TEST(TwainManager, MissingSourceManagerIsReportedAndRemembered) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setenv("BX_TWAIN_DSM", "/nonexistent/libbxtwaindsm.so", 1);
    int failures = CTwain::TwainAvailable() != 0;
    unsetenv("BX_TWAIN_DSM");  // the real one is now reachable, but the answer stands
    failures += CTwain::TwainAvailable() != 0;
    setenv("BX_TWAIN_DSM", "/nonexistent/libbxtwaindsm.so", 1);
    RecordingTwain twain;
    failures += twain.ModalAcquire(TWSX_NATIVE, nullptr) != 0;
    failures += twain.Errors() != std::vector<TW_ERR>{TWERR_OPEN_DSM};
    failures += twain.State() != TWS_PRESESSION;
    _exit(failures);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(CTwain::TwainAvailable());
}

}  // namespace
