#pragma once

#include "app/station/IStationHost.h"

#include <QRect>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>

class CGrabberApp;
class CGrabberDlg;
class ControlPage;
class ImagePane;
class QTabWidget;
class StationPage;

// The station's main window: five pages with the image pane to their right.
// It is a view over the core, which it creates and which it hosts.
class StationWindow : public QWidget, public IStationHost {
  Q_OBJECT
 public:
  using PowerAction = std::function<void(int shutdownCode)>;
  using ShiftQuery = std::function<bool()>;

  StationWindow(CGrabberApp& app, PowerAction power, ShiftQuery shiftHeld = {}, QWidget* parent = nullptr);
  ~StationWindow() override;

  // Connects the camera once the window is up; false when the window must end at once.
  bool Start();
  CGrabberDlg& Core() { return *m_core; }
  ImagePane& Pane() { return *m_pane; }
  bool IsCompact() const { return m_compact; }
  void ToggleCompact();
  // Closes the window whatever the Shift key says.
  void End();

  void ShowOutputImage(const CxImage& image, const ShownImage& about) override;
  void ShowPreview(const CxImage& preview) override;
  void SetTitle(const std::string& title) override;
  void RefreshPages() override;
  void ActivePresetChanged(int preset) override;
  bool IsShiftHeld() const override;

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildPages();
  void PlaceImagePane();
  StationPage* ActivePage() const;

  ShiftQuery m_shiftHeld;
  std::unique_ptr<CGrabberDlg> m_core;
  QTabWidget* m_pages = nullptr;
  ControlPage* m_controlPage = nullptr;
  ImagePane* m_pane = nullptr;
  QWidget* m_paneFrame = nullptr;  // the pane with its margin
  PowerAction m_power;
  std::atomic<bool> m_compact{false};
  bool m_ending = false;
  QRect m_savedRect;
};
