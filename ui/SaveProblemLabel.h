#pragma once

#include <QLabel>

// Under a set-up page's settings: says when the last applied edit could not be
// saved with the preset, and is empty otherwise.
class SaveProblemLabel : public QLabel {
  Q_OBJECT
 public:
  explicit SaveProblemLabel(QWidget* parent = nullptr);
  void ShowSaved(bool saved);
};
