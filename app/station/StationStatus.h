#pragma once

#include <string>

// What the station says about itself on the control page and in the headless
// status lines: a state the window shows in its own colour, the state's word,
// and the reason in words (empty when there is nothing to explain). Out of
// service, the station ignores its shots and triggers until put back.
struct StationStatus {
  enum class State { Idle, Ok, NotSaved, NoCamera, RecordsWaiting, Stopped, OutOfService };

  State state = State::Idle;
  std::string word;
  std::string reason;
};
