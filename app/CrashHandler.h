#pragma once

#include <functional>
#include <string>

// Catches fatal signals and std::terminate. On a crash it writes a report (cause,
// thread, backtrace, memory map) to `reportPath` when that file's folder exists (the
// folder is never created), then calls `onCrash`, which must end the process.
void InstallCrashHandler(const std::string& reportPath, std::function<void()> onCrash);

// Writes the report now, as a crash would; used by the handler and by tests.
// Returns false when the file could not be created.
bool WriteCrashReport(const std::string& reportPath, const char* cause);
