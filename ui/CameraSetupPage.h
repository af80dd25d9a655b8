#pragma once

#include "ui/StationPage.h"

class CGrabberDlg;
class PropertyGrid;
class QCheckBox;
class SaveProblemLabel;

// Page 2: the camera's own features, its rotation and post gamma and the
// exposure control in one property grid, live view and a test shot. Every
// applied edit is saved with the active preset.
class CameraSetupPage : public StationPage {
  Q_OBJECT
 public:
  CameraSetupPage(CGrabberDlg& core, QWidget* parent = nullptr);
  // The page became active: the camera may have been opened again since.
  void Refresh() override;
  void PresetChanged() override;

 private:
  void Save();

  CGrabberDlg& m_core;
  PropertyGrid* m_grid;
  QCheckBox* m_live;
  SaveProblemLabel* m_saveProblem;
};
