#pragma once
// The main window on the offscreen platform, over the simulated camera, in a
// fresh station folder.
#include "StationApp.h"
#include "StationFixture.h"

#include "ui/StationWindow.h"

#include <QApplication>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class StationWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Opens the window (and the application) over the station folder.
    void OpenWindow();
    // Closes the window as the operator would (with Shift) and the application with it.
    void CloseWindow();

    template <class Widget>
    Widget* Find(const char* name) const
    {
        return m_window->findChild<Widget*>(name);
    }
    QTabWidget* Pages() const { return m_window->findChild<QTabWidget*>(); }
    std::string PropertiesFile() const { return (m_folder.Root() / "Properties.xml").string(); }

    StationFolder m_folder;
    std::unique_ptr<StationApp> m_app;
    std::unique_ptr<StationWindow> m_window;
    std::vector<int> m_powerCodes;
    bool m_shift = false;
    static QApplication* s_application;
};
