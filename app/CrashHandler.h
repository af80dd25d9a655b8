#pragma once

#include <functional>
#include <string>

// Catches fatal signals and std::terminate. On a crash it writes a report (cause,
// thread, backtrace, memory map) to `reportPath` when that file's folder exists (the
// folder is never created), then calls `onCrash`, which must end the process, with
// the cause, the thread and where the report went or would have gone.
void InstallCrashHandler(const std::string& reportPath, std::function<void(const char* detail)> onCrash);

// Writes the report now, as a crash would; used by the handler and by tests.
// Returns false when the file could not be created.
bool WriteCrashReport(const std::string& reportPath, const char* cause);
