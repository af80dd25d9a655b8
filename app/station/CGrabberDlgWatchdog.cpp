// The station's threads under the watchdog: each frame the grab thread
// delivers, each frame the processing thread works on and each shot the
// trigger releases must end within "Watchdog Tolerance" milliseconds, else
// the program starts afresh.
#include "app/station/CGrabberDlg.h"

#include "app/GrabberApp.h"
#include "platform/LogTrace.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr int kDefaultPeriodMs = 100;
constexpr int kDefaultToleranceMs = 60000;

} // namespace

std::unique_ptr<CWatchDogTimer> CGrabberDlg::MakeWatchdog()
{
    const int period = std::max(1, ReadInt("Program Settings", "Watchdog Period", kDefaultPeriodMs));
    const int tolerance = ReadInt("Program Settings", "Watchdog Tolerance", kDefaultToleranceMs);
    if (tolerance <= 0)
        return nullptr;
    m_watchTicks = static_cast<unsigned>((tolerance + period - 1) / period);
    return std::make_unique<CWatchDogTimer>([this] { m_app.RestartProgram(); },
                                            [](const std::string& line) { TheLog().WriteLine(line); },
                                            std::chrono::milliseconds(period));
}

CWatchedSection CGrabberDlg::WatchSection(const char* thread)
{
    return CWatchedSection(m_watchdog.get(), m_watchTicks, thread);
}
