#pragma once
// The trigger engine's settings ("Trigger Settings" and a few of "Program
// Settings") and the text form of its shot sequence.
#include <string>
#include <string_view>
#include <vector>

namespace bx {
class ProfileStore;
}

// One sequence entry: the step (trigger count since the sequence began) that
// shoots, and its delay in milliseconds.
struct SequenceStep {
  int step = 0;
  int delayMs = 0;
  bool operator==(const SequenceStep&) const = default;
};

// "step/delay" tokens separated by blanks; tokens that are not two integers
// joined by "/" are ignored.
std::vector<SequenceStep> ParseSequence(std::string_view text);
// "%d/%d " for every entry but the last, "%d/%d" for the last.
std::string FormatSequence(const std::vector<SequenceStep>& steps);

enum TriggerSource { SourceSerialDsr = 0, SourceNamedEvents = 1, SourceCameraLine = 2, SourceVideo = 3 };

struct TriggerSettings {
  int filterMs = 500;          // "TriggerFilter": minimum pulse length
  int minDelayMs = 2000;       // "MinDelay": dead time between shots and sounds
  int triggerDelayMs = 0;      // "TriggerDelay": edge to shot without a sequence
  int showDelayS = 0;          // "ShowDelay": used by the numbering only
  bool negTrigger = false;     // "NegTrigger": shoot on the falling edge
  bool multiTrigger = false;   // "Multi Trigger": each shot schedules the next
  int sequenceResetMs = 5000;  // "Sequence Reset Time"
  std::vector<SequenceStep> sequence;
  int source = SourceSerialDsr;  // "Trigger Source"; unknown values behave as 0
  int mode = 0;                  // "Trigger Mode": 0 program, 1 camera line, 2 program + "Line2"
  std::string soundName;         // "SoundName": wave file played on accepted rises
  int videoThreshold = 50;       // "Video Trigger Threshold"
  int videoDevice = 0;           // "Video Device Index"
  int linePollMs = 0;            // "Camera Line Delay" of "Program Settings"
  int threadPriority = 15;       // "Trigger Thread Priority" of "Program Settings"

  // The source the engine follows: anything unknown is the serial port.
  int EffectiveSource() const;
  bool operator==(const TriggerSettings&) const = default;
};

TriggerSettings LoadTriggerSettings(const bx::ProfileStore& profile);
// Writes the ten values the general set-up page edits; the sound, the camera
// line delay and the video settings are not written.
bool SaveTriggerSettings(bx::ProfileStore& profile, const TriggerSettings& settings);
