#pragma once

namespace bx {

// Process priority classes by their Windows values, as stored in the settings.
enum PriorityClass {
  kIdlePriorityClass = 0x40,
  kBelowNormalPriorityClass = 0x4000,
  kNormalPriorityClass = 0x20,
  kAboveNormalPriorityClass = 0x8000,
  kHighPriorityClass = 0x80,
  kRealtimePriorityClass = 0x100,
};

// The nice value standing for a priority class (0 for an unknown class).
int NiceValueOf(int priorityClass);
// Sets the process's nice value for the class; false when refused (raising the
// priority needs privileges) or the class is unknown.
bool SetProcessPriorityClass(int priorityClass);

}  // namespace bx
