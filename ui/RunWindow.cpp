#include "ui/RunWindow.h"

#include "ui/StationWindow.h"

#include <QApplication>
#include <QTimer>

int RunStationWindow(CGrabberApp& app, int argc, char** argv)
{
    QApplication application(argc, argv);
    StationWindow window(app, [&app](int shutdownCode) { app.ShutdownMachineNow(shutdownCode); });
    window.show();
    QTimer::singleShot(0, &window, [&window] { window.Start(); });
    return application.exec();
}
