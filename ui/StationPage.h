#pragma once

#include <QWidget>

// A page the Enter key applies before the control page is shown again.
class StationPage : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  virtual void Apply() {}
  // The page became active (or, for the control page, the core changed).
  virtual void Refresh() {}
  // The station loaded another preset.
  virtual void PresetChanged() {}
};
