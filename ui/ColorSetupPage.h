#pragma once

#include "color/ColorTransformer.h"
#include "ui/StationPage.h"

class CGrabberDlg;
class PropertyGrid;
class SaveProblemLabel;

// Page 3: the colour settings in a property grid, a test shot, and a preview
// that shows the last test shot again after every change. The page edits a
// transformer of its own, which the station uses for the set-up pages' shots;
// every applied edit becomes the station's colour setting and is saved with
// the active preset.
class ColorSetupPage : public StationPage {
  Q_OBJECT
 public:
  ColorSetupPage(CGrabberDlg& core, QWidget* parent = nullptr);
  ~ColorSetupPage() override;
  // The page became active: it edits the settings now applied.
  void Refresh() override;
  void PresetChanged() override;

 private:
  void Edited();

  CGrabberDlg& m_core;
  CColorTransformer m_transformer;
  PropertyGrid* m_grid;
  SaveProblemLabel* m_saveProblem;
};
