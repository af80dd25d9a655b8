#include "ui/ColorSetupPage.h"

#include "app/station/CGrabberDlg.h"
#include "ui/PropertyGrid.h"
#include "ui/SaveProblemLabel.h"
#include "ui/TestShotButton.h"

#include <QPushButton>
#include <QVBoxLayout>

ColorSetupPage::ColorSetupPage(CGrabberDlg& core, QWidget* parent)
    : StationPage(parent), m_core(core), m_transformer(core.GetColorTransformer()) {
  auto* layout = new QVBoxLayout(this);
  m_grid = new PropertyGrid(m_transformer, this);
  m_grid->setObjectName("colourProperties");
  layout->addWidget(m_grid, 1);
  m_saveProblem = new SaveProblemLabel(this);
  layout->addWidget(m_saveProblem);
  layout->addWidget(MakeTestShotButton(core, this));
  connect(m_grid, &PropertyGrid::PropertyEdited, this, &ColorSetupPage::Edited);
}

// The grid observes the page's transformer: it goes first.
ColorSetupPage::~ColorSetupPage() { delete m_grid; }

void ColorSetupPage::Refresh() {
  m_transformer.m_settings = m_core.GetColorTransformer().m_settings;
  m_core.SetPageColorTransformer(m_transformer);
  m_grid->RefreshValues();
}

// A preset loaded while the page is shown replaces what it edits.
void ColorSetupPage::PresetChanged() {
  if (m_core.ActivePage() == CGrabberDlg::ColorSetupPage) Refresh();
}

void ColorSetupPage::Edited() {
  m_saveProblem->ShowSaved(m_core.StoreColorSettings(m_transformer));
  m_core.PreviewPageColour();
}
