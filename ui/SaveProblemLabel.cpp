#include "ui/SaveProblemLabel.h"

SaveProblemLabel::SaveProblemLabel(QWidget* parent) : QLabel(parent) {
  setObjectName("saveProblem");
  setWordWrap(true);
}

void SaveProblemLabel::ShowSaved(bool saved) {
  setText(saved ? QString() : "The settings could not be saved with the preset (see the log).");
}
