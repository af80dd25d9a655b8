#include "ui/CameraSetupPage.h"

#include "app/station/CGrabberDlg.h"
#include "ui/PropertyGrid.h"
#include "ui/SaveProblemLabel.h"
#include "ui/TestShotButton.h"

#include <QPushButton>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

CameraSetupPage::CameraSetupPage(CGrabberDlg& core, QWidget* parent) : StationPage(parent), m_core(core) {
  auto* layout = new QVBoxLayout(this);
  m_grid = new PropertyGrid(static_cast<IPropertyHost&>(core), this);
  m_grid->setObjectName("cameraProperties");
  layout->addWidget(m_grid, 1);
  m_saveProblem = new SaveProblemLabel(this);
  layout->addWidget(m_saveProblem);
  auto* buttons = new QHBoxLayout;
  m_live = new QCheckBox("Live view", this);
  m_live->setObjectName("liveMode");
  buttons->addWidget(m_live);
  buttons->addWidget(MakeTestShotButton(core, this));
  layout->addLayout(buttons);
  connect(m_live, &QCheckBox::toggled, this, [this](bool on) { m_core.SetLiveMode(on); });
  connect(m_grid, &PropertyGrid::PropertyEdited, this, &CameraSetupPage::Save);
}

void CameraSetupPage::Refresh() {
  m_grid->Rebuild();
  const QSignalBlocker blocker(m_live);
  m_live->setChecked(m_core.IsLiveMode());
}

void CameraSetupPage::PresetChanged() { m_grid->RefreshValues(); }

void CameraSetupPage::Save() { m_saveProblem->ShowSaved(m_core.SavePresetCameraSettings()); }
