#include "ui/RunWindow.h"

#include "ui/StationWindow.h"

#include "app/GrabberApp.h"

#include <QApplication>
#include <QTimer>

int RunStationWindow(CGrabberApp& app, int argc, char** argv) {
  QApplication application(argc, argv);
  // A power button ends the station at once; the application then performs the shutdown.
  StationWindow window(app, [&app, &window](int shutdownCode) {
    app.m_shutdownCode = shutdownCode;
    window.End();
  });
  window.show();
  QTimer::singleShot(0, &window, [&window] { window.Start(); });
  return application.exec();
}
