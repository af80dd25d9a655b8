// The edge decisions on fake ticks: the worked examples run without sleeping.
#include "FakeTiming.h"

#include "trigger/TriggerDecision.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class RecordingActions final : public ITriggerActions {
 public:
  explicit RecordingActions(ITriggerClock& clock) : m_clock(clock) {}
  void Shoot() override { shots.push_back(m_clock.Now()); }
  void PlaySound() override { ++sounds; }
  void Log(const std::string& line) override { log.push_back(line); }
  void Fail(const std::string& what) override { failures.push_back(what); }

  int Count(const std::string& line) const {
    return static_cast<int>(std::count(log.begin(), log.end(), line));
  }

  std::vector<uint32_t> shots;
  int sounds = 0;
  std::vector<std::string> log;
  std::vector<std::string> failures;

 private:
  ITriggerClock& m_clock;
};

class TriggerDecisionTest : public ::testing::Test {
 protected:
  explicit TriggerDecisionTest(uint32_t start = 100000) : timing(start) {}

  void Begin(const TriggerSettings& s) {
    decision.SetSettings(s);
    decision.Start();
    startTime = timing.Now();
  }
  // A pulse of `lengthMs` starting now, then `gapMs` of quiet.
  void Pulse(uint32_t lengthMs, uint32_t gapMs = 0) {
    decision.OnEdge(true);
    timing.Advance(lengthMs);
    decision.OnEdge(false);
    timing.Advance(gapMs);
  }
  // Shot times relative to `origin`.
  std::vector<uint32_t> ShotsSince(uint32_t origin) const {
    std::vector<uint32_t> relative;
    for (uint32_t shot : actions.shots) relative.push_back(shot - origin);
    return relative;
  }

  FakeTiming timing;
  RecordingActions actions{timing};
  CTriggerDecision decision{timing, timing, actions};
  uint32_t startTime = 0;
};

TriggerSettings Settings(int filter, int minDelay, int delay, const char* sequence = "", bool multi = false) {
  TriggerSettings s;
  s.filterMs = filter;
  s.minDelayMs = minDelay;
  s.triggerDelayMs = delay;
  s.sequence = ParseSequence(sequence);
  s.multiTrigger = multi;
  return s;
}

TEST_F(TriggerDecisionTest, AGlitchCancelsTheScheduledShotAndALongPulseKeepsIt) {
  Begin(Settings(500, 2000, 1000));
  timing.Advance(2500);
  decision.OnEdge(true);
  EXPECT_EQ(timing.PendingTimers(), 1u);
  timing.Advance(300);
  decision.OnEdge(false);
  EXPECT_EQ(timing.PendingTimers(), 0u);
  timing.Advance(3000);
  EXPECT_TRUE(actions.shots.empty());

  const uint32_t rise = timing.Now();
  Pulse(600, 3000);
  EXPECT_EQ(ShotsSince(rise), std::vector<uint32_t>{1000});
}

TEST_F(TriggerDecisionTest, RisesCloserThanTheDeadTimeGiveOneShot) {
  Begin(Settings(500, 2000, 0));
  timing.Advance(2500);
  const uint32_t first = timing.Now();
  Pulse(600, 900);  // next rise 1500 ms after the first
  Pulse(600, 3000);
  EXPECT_EQ(ShotsSince(first), std::vector<uint32_t>{0});
}

TEST_F(TriggerDecisionTest, ASecondFallIsSpuriousAndChangesNothing) {
  Begin(Settings(500, 2000, 0));
  timing.Advance(2500);
  Pulse(600);
  decision.OnEdge(false);
  EXPECT_EQ(actions.Count("Trigger Spurious Event"), 1);
  EXPECT_EQ(actions.Count("Trigger Fall Edge"), 1);
  EXPECT_EQ(actions.shots.size(), 1u);
}

TEST_F(TriggerDecisionTest, MultiTriggerRunsTheSequenceFromOneEdge) {
  Begin(Settings(500, 2000, 0, "0/0 1/400 2/400", true));
  timing.Advance(2500);
  const uint32_t rise = timing.Now();
  Pulse(600, 3000);
  EXPECT_EQ(ShotsSince(rise), (std::vector<uint32_t>{0, 400, 800}));
  EXPECT_EQ(actions.Count("Next Trigger Queued"), 2);
}

TEST_F(TriggerDecisionTest, ASequenceStepShootsOnlyOnItsTrigger) {
  Begin(Settings(500, 2000, 0, "2/100"));
  timing.Advance(2500);
  const uint32_t first = timing.Now();
  for (int edge = 0; edge < 3; ++edge) Pulse(600, 1500);
  timing.Advance(1000);
  EXPECT_EQ(ShotsSince(first), std::vector<uint32_t>{4200 + 100});
}

TEST_F(TriggerDecisionTest, TheSequenceStartsAgainAfterItsResetTime) {
  TriggerSettings s = Settings(500, 2000, 0, "1/0");
  s.sequenceResetMs = 5000;
  Begin(s);
  timing.Advance(6000);
  Pulse(600, 6000);  // step 0: no entry; then the reset time passes
  Pulse(600, 2000);  // step 0 again
  EXPECT_TRUE(actions.shots.empty());
  Pulse(600, 2000);  // step 1
  EXPECT_EQ(actions.shots.size(), 1u);
}

TEST_F(TriggerDecisionTest, PreTriggerResultsDecideTheShot) {
  int answer = -1;
  decision.SetPreTrigger([&answer] { return answer; });
  Begin(Settings(500, 2000, 0));
  for (int result : {-1, 0, 7}) {
    answer = result;
    timing.Advance(2500);
    Pulse(600);
  }
  EXPECT_EQ(actions.Count("PreTrigger"), 3);
  EXPECT_EQ(actions.Count("PreTrigger result=TIMEOUT"), 1);
  EXPECT_EQ(actions.Count("PreTrigger result=FALSE"), 1);
  EXPECT_EQ(actions.Count("PreTrigger result=TRUE"), 1);
  EXPECT_EQ(actions.shots.size(), 2u);
  // The sound does not depend on the veto.
  EXPECT_EQ(actions.sounds, 3);
}

TEST_F(TriggerDecisionTest, NothingShootsOrSoundsWithinTheDeadTimeAfterStart) {
  Begin(Settings(0, 2000, 0));
  timing.Advance(1000);
  Pulse(600);
  EXPECT_TRUE(actions.shots.empty());
  EXPECT_EQ(actions.sounds, 0);
  timing.Advance(1500);
  Pulse(600);
  EXPECT_EQ(actions.shots.size(), 1u);
  EXPECT_EQ(actions.sounds, 1);
}

TEST_F(TriggerDecisionTest, AGlitchAfterAnImmediateShotLeavesTheSequenceAlone) {
  // The first rise shoots at once, so its glitch cannot be undone: the second
  // rise is step 1 (no entry) and the third shoots step 2.
  Begin(Settings(500, 100, 0, "0/0 2/0"));
  timing.Advance(1000);
  for (int edge = 0; edge < 3; ++edge) Pulse(300, 700);
  EXPECT_EQ(actions.shots.size(), 2u);
}

TEST_F(TriggerDecisionTest, ACancelledSequenceShotIsTakenAgainByTheNextTrigger) {
  Begin(Settings(500, 100, 0, "0/1000 1/0"));
  timing.Advance(1000);
  Pulse(300, 2000);  // cancelled: step 0 undone
  EXPECT_TRUE(actions.shots.empty());
  const uint32_t rise = timing.Now();
  Pulse(600, 2000);
  EXPECT_EQ(ShotsSince(rise), std::vector<uint32_t>{1000});
}

TEST_F(TriggerDecisionTest, MultiTriggerWithoutSequenceRepeatsUntilStop) {
  Begin(Settings(0, 2000, 250, "", true));
  timing.Advance(2500);
  const uint32_t rise = timing.Now();
  Pulse(600, 400);
  EXPECT_EQ(ShotsSince(rise), (std::vector<uint32_t>{250, 500, 750, 1000}));
  decision.Stop();
  EXPECT_EQ(timing.PendingTimers(), 0u);
  timing.Advance(2000);
  EXPECT_EQ(actions.shots.size(), 4u);
}

TEST_F(TriggerDecisionTest, FallingEdgeShootingNeedsAFullPulse) {
  TriggerSettings s = Settings(500, 2000, 0);
  s.negTrigger = true;
  Begin(s);
  timing.Advance(2500);
  Pulse(300, 100);  // too short
  EXPECT_TRUE(actions.shots.empty());
  const uint32_t rise = timing.Now();
  Pulse(600, 100);
  EXPECT_EQ(ShotsSince(rise), std::vector<uint32_t>{600});
  Pulse(600, 100);  // within the dead time of that fall
  EXPECT_EQ(actions.shots.size(), 1u);
}

TEST_F(TriggerDecisionTest, ANegativeDelayNeverShoots) {
  Begin(Settings(0, 0, -5));
  timing.Advance(10);
  Pulse(10, 10);
  EXPECT_TRUE(actions.shots.empty());
  EXPECT_EQ(decision.NextDelay(), -5);
}

class WrappingTickTest : public TriggerDecisionTest {
 protected:
  WrappingTickTest() : TriggerDecisionTest(0xFFFFFC00u) {}
};

TEST_F(WrappingTickTest, DelaysAndDeadTimesHoldAcrossTheWrap) {
  Begin(Settings(500, 2000, 300, "", false));
  timing.Advance(2500);  // now past the wrap
  const uint32_t rise = timing.Now();
  EXPECT_LT(rise, startTime);
  Pulse(600, 2500);
  Pulse(600, 2500);
  EXPECT_EQ(ShotsSince(rise), (std::vector<uint32_t>{300, 3400}));
}

TEST(SequenceTextTest, ParsesStepsAndIgnoresOtherTokens) {
  EXPECT_EQ(ParseSequence("0/0 1/400\t2/400"), (std::vector<SequenceStep>{{0, 0}, {1, 400}, {2, 400}}));
  EXPECT_EQ(ParseSequence(" a/b 3 4/ /5 1/-2 99999999999/1 7/8x 5/6 "),
            (std::vector<SequenceStep>{{1, -2}, {5, 6}}));
  EXPECT_EQ(FormatSequence(ParseSequence("0/0 1/400 2/400")), "0/0 1/400 2/400");
  EXPECT_EQ(FormatSequence({}), "");
}

}  // namespace
