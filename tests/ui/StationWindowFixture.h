#pragma once
// The station's main window on the offscreen platform, over a test's station
// folder: one QApplication for the suite, a window per test.
#include "StationApp.h"
#include "StationFixture.h"

#include "ui/StationWindow.h"

#include <QApplication>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

class StationWindowFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();

  // A simulated camera of 1280 x 1024 and the folder's profile for it.
  void PrepareStation();
  // Creates and starts the window over the folder's profile, written by then.
  void StartWindow();
  // Closes it whatever the Shift key says.
  void TearDown() override;

  template <class Widget>
  Widget* Find(const char* name) const {
    return m_window->findChild<Widget*>(name);
  }
  QTabWidget* Pages() const { return m_window->findChild<QTabWidget*>(); }
  // With BX_PAGES_SCREENSHOTS=FOLDER, the window as it is now into FOLDER/NAME.png.
  void Screenshot(const char* name) const;

  StationFolder m_folder;
  std::unique_ptr<StationApp> m_app;
  std::unique_ptr<StationWindow> m_window;
  std::vector<int> m_powerCodes;
  bool m_shift = false;

 private:
  static QApplication* s_application;
};
