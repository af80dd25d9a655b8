#include "ui/TriggerSettingsBox.h"

#include "app/station/CGrabberDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>

namespace {

constexpr int kMaxDelayMs = 600000;

}  // namespace

TriggerSettingsBox::TriggerSettingsBox(CGrabberDlg& core, QWidget* parent)
    : QGroupBox("Trigger", parent), m_core(core) {
  auto* form = new QFormLayout(this);
  m_source = new QComboBox(this);
  m_source->setObjectName("triggerSource");
  m_source->addItems({"Serial port (DSR)", "Named events", "Camera input line", "Video motion"});
  form->addRow("Source:", m_source);
  m_mode = new QComboBox(this);
  m_mode->setObjectName("triggerMode");
  m_mode->addItems({"Station triggers the camera", "Camera triggers itself on Line1",
                    "Station triggers, camera Line2 on the falling edge"});
  form->addRow("Mode:", m_mode);
  m_filter = AddMilliseconds("Minimum pulse (ms):", "triggerFilter", kMaxDelayMs);
  m_minDelay = AddMilliseconds("Dead time (ms):", "minDelay", kMaxDelayMs);
  m_triggerDelay = AddMilliseconds("Delay (ms):", "triggerDelay", kMaxDelayMs);
  m_showDelay = AddMilliseconds("Show delay (s):", "showDelay", 86400);
  m_sequenceReset = AddMilliseconds("Sequence reset (ms):", "sequenceResetTime", kMaxDelayMs);
  m_sequence = new QLineEdit(this);
  m_sequence->setObjectName("sequence");
  m_sequence->setPlaceholderText("step/delay ...  e.g. 0/0 1/400 2/400");
  form->addRow("Sequence:", m_sequence);
  m_negTrigger = new QCheckBox("Shoot on the falling edge", this);
  m_negTrigger->setObjectName("negTrigger");
  form->addRow(m_negTrigger);
  m_multiTrigger = new QCheckBox("Each shot schedules the next", this);
  m_multiTrigger->setObjectName("multiTrigger");
  form->addRow(m_multiTrigger);
  Refresh();
}

QSpinBox* TriggerSettingsBox::AddMilliseconds(const char* label, const char* name, int maximum) {
  auto* box = new QSpinBox(this);
  box->setObjectName(name);
  box->setRange(0, maximum);
  static_cast<QFormLayout*>(layout())->addRow(label, box);
  return box;
}

void TriggerSettingsBox::Apply() {
  TriggerSettings settings = m_core.GetTriggerSettings();
  settings.source = m_source->currentIndex();
  settings.mode = m_mode->currentIndex();
  settings.filterMs = m_filter->value();
  settings.minDelayMs = m_minDelay->value();
  settings.triggerDelayMs = m_triggerDelay->value();
  settings.showDelayS = m_showDelay->value();
  settings.sequenceResetMs = m_sequenceReset->value();
  settings.sequence = ParseSequence(m_sequence->text().toStdString());
  settings.negTrigger = m_negTrigger->isChecked();
  settings.multiTrigger = m_multiTrigger->isChecked();
  m_core.SetTriggerSettings(settings, true);
  Refresh();  // shows the sequence as it was understood
}

void TriggerSettingsBox::Refresh() {
  const TriggerSettings settings = m_core.GetTriggerSettings();
  m_source->setCurrentIndex(settings.EffectiveSource());
  m_mode->setCurrentIndex(settings.mode >= 0 && settings.mode <= 2 ? settings.mode : 0);
  m_filter->setValue(settings.filterMs);
  m_minDelay->setValue(settings.minDelayMs);
  m_triggerDelay->setValue(settings.triggerDelayMs);
  m_showDelay->setValue(settings.showDelayS);
  m_sequenceReset->setValue(settings.sequenceResetMs);
  m_sequence->setText(QString::fromStdString(FormatSequence(settings.sequence)));
  m_negTrigger->setChecked(settings.negTrigger);
  m_multiTrigger->setChecked(settings.multiTrigger);
}
