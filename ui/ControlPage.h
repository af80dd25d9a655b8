#pragma once

#include "ui/StationPage.h"

#include <functional>

class CGrabberDlg;
class ImagePane;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;
class QVBoxLayout;
struct StationStatus;

// Page 0: the station's status in colour with its reason, the last photo, the
// layout and preset in use, the shot and acquisition controls, and apart from
// them the two machine-power buttons that act only while Shift is held.
class ControlPage : public StationPage {
  Q_OBJECT
 public:
  using PowerAction = std::function<void(int shutdownCode)>;
  using ShiftQuery = std::function<bool()>;

  ControlPage(CGrabberDlg& core, PowerAction power, ShiftQuery shiftHeld, QWidget* parent = nullptr);

  // Re-reads status, last photo, layout, connection and preset from the core.
  void Refresh() override;
  // The operator just picked a layout on the layouts page: the layout field is
  // marked and the note below it shown for a few seconds.
  void AnnounceLayoutChoice(const QString& note);
  ImagePane& SmallPane() { return *m_pane; }

 private:
  void AddFields(QVBoxLayout* layout);
  QGroupBox* PowerButtons();
  void PowerButton(int shutdownCode);
  void ShowStatus(const StationStatus& status);
  void ShowLastPhoto();
  void ShowLayoutChoice(bool shown);

  CGrabberDlg& m_core;
  PowerAction m_power;
  ShiftQuery m_shiftHeld;
  QLabel* m_status;
  QLabel* m_reason;
  QLabel* m_lastPhoto;
  QLabel* m_counter;
  QLabel* m_saved;
  QLabel* m_layout;
  QLabel* m_layoutChoice;
  QTimer* m_layoutChoiceShown;
  QComboBox* m_preset;
  QLabel* m_presetNote;
  QFormLayout* m_fields;
  QPushButton* m_shot;
  QCheckBox* m_grabbing;
  QPushButton* m_restartTrigger;
  ImagePane* m_pane;
};
