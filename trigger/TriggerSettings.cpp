#include "trigger/TriggerSettings.h"

#include "platform/ProfileStore.h"

#include <charconv>

namespace {

constexpr const char* kTriggerSection = "Trigger Settings";
constexpr const char* kProgramSection = "Program Settings";

bool ParseInt(std::string_view text, int& value) {
  const char* end = text.data() + text.size();
  const auto [last, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && last == end && !text.empty();
}

bool ParseStep(std::string_view token, SequenceStep& step) {
  const size_t slash = token.find('/');
  return slash != std::string_view::npos && ParseInt(token.substr(0, slash), step.step) &&
         ParseInt(token.substr(slash + 1), step.delayMs);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::vector<SequenceStep> ParseSequence(std::string_view text) {
  std::vector<SequenceStep> steps;
  size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    size_t end = pos;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    SequenceStep step;
    if (end > pos && ParseStep(text.substr(pos, end - pos), step)) steps.push_back(step);
    pos = end;
  }
  return steps;
}

std::string FormatSequence(const std::vector<SequenceStep>& steps) {
  std::string text;
  for (const SequenceStep& step : steps) {
    if (!text.empty()) text += ' ';
    text += std::to_string(step.step) + "/" + std::to_string(step.delayMs);
  }
  return text;
}

int TriggerSettings::EffectiveSource() const {
  return source >= SourceSerialDsr && source <= SourceVideo ? source : SourceSerialDsr;
}

TriggerSettings LoadTriggerSettings(const bx::ProfileStore& profile) {
  TriggerSettings s;
  auto get = [&](const char* key, int value) { return profile.GetInt(kTriggerSection, key, value); };
  s.filterMs = get("TriggerFilter", s.filterMs);
  s.minDelayMs = get("MinDelay", s.minDelayMs);
  s.triggerDelayMs = get("TriggerDelay", s.triggerDelayMs);
  s.showDelayS = get("ShowDelay", s.showDelayS);
  s.negTrigger = get("NegTrigger", 0) != 0;
  s.multiTrigger = get("Multi Trigger", 0) != 0;
  s.sequenceResetMs = get("Sequence Reset Time", s.sequenceResetMs);
  s.sequence = ParseSequence(profile.GetString(kTriggerSection, "Sequence", ""));
  s.source = get("Trigger Source", s.source);
  s.mode = get("Trigger Mode", s.mode);
  s.soundName = profile.GetString(kTriggerSection, "SoundName", "");
  s.videoThreshold = get("Video Trigger Threshold", s.videoThreshold);
  s.videoDevice = get("Video Device Index", s.videoDevice);
  s.linePollMs = profile.GetInt(kProgramSection, "Camera Line Delay", s.linePollMs);
  s.threadPriority = profile.GetInt(kProgramSection, "Trigger Thread Priority", s.threadPriority);
  return s;
}

bool SaveTriggerSettings(bx::ProfileStore& profile, const TriggerSettings& s) {
  bool ok = true;
  auto put = [&](const char* key, int value) { ok = profile.WriteInt(kTriggerSection, key, value) && ok; };
  put("TriggerFilter", s.filterMs);
  put("MinDelay", s.minDelayMs);
  put("TriggerDelay", s.triggerDelayMs);
  put("ShowDelay", s.showDelayS);
  put("NegTrigger", s.negTrigger ? 1 : 0);
  put("Multi Trigger", s.multiTrigger ? 1 : 0);
  put("Trigger Source", s.source);
  put("Sequence Reset Time", s.sequenceResetMs);
  put("Trigger Mode", s.mode);
  return profile.WriteString(kTriggerSection, "Sequence", FormatSequence(s.sequence)) && ok;
}
