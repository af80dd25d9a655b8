#pragma once

#include <QGroupBox>

class CGrabberDlg;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

// The general set-up page's trigger fields: what releases a shot, the filter and
// dead time, delays and the shot sequence.
class TriggerSettingsBox : public QGroupBox {
  Q_OBJECT
 public:
  TriggerSettingsBox(CGrabberDlg& core, QWidget* parent = nullptr);
  // Hands the fields to the trigger engine, which saves them.
  void Apply();
  void Refresh();

 private:
  QSpinBox* AddMilliseconds(const char* label, const char* name, int maximum);

  CGrabberDlg& m_core;
  QComboBox* m_source;
  QComboBox* m_mode;
  QSpinBox* m_filter;
  QSpinBox* m_minDelay;
  QSpinBox* m_triggerDelay;
  QSpinBox* m_showDelay;
  QSpinBox* m_sequenceReset;
  QLineEdit* m_sequence;
  QCheckBox* m_negTrigger;
  QCheckBox* m_multiTrigger;
};
