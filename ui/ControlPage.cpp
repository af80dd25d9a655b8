#include "ui/ControlPage.h"

#include "app/station/CGrabberDlg.h"
#include "ui/ImagePane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

constexpr int kPowerOffCode = 1;  // power off, forcing
constexpr int kRestartCode = 3;   // restart, forcing hung applications

// The status banner's colours: background and text.
struct StatusColours {
  const char* background;
  const char* text;
};

StatusColours ColoursOf(StationStatus::State state) {
  using State = StationStatus::State;
  switch (state) {
    case State::Ok:
      return {"#2e7d32", "white"};
    case State::NotSaved:
      return {"#c62828", "white"};
    case State::NoCamera:
      return {"#e65100", "white"};
    case State::RecordsWaiting:
      return {"#f9a825", "black"};
    case State::OutOfService:
      return {"#ff8f00", "black"};
    case State::Idle:
    case State::Stopped:
      break;
  }
  return {"#616161", "white"};
}

QString LayoutName(const CLayoutObject& layout) {
  if (!layout.layoutName.empty()) return QString::fromStdString(layout.layoutName);
  return layout.id >= 0 ? QString("Layout %1").arg(layout.id) : QString("None");
}

QLabel* FieldLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

ControlPage::ControlPage(CGrabberDlg& core, PowerAction power, ShiftQuery shiftHeld, QWidget* parent)
    : StationPage(parent), m_core(core), m_power(std::move(power)), m_shiftHeld(std::move(shiftHeld)) {
  auto* layout = new QVBoxLayout(this);
  m_status = new QLabel(this);
  m_status->setObjectName("status");
  m_status->setAlignment(Qt::AlignCenter);
  m_reason = new QLabel(this);
  m_reason->setObjectName("statusReason");
  m_reason->setWordWrap(true);
  // Room for a long reason (a folder's path) whatever the layout gives a wrapped label.
  m_reason->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  m_reason->setMinimumHeight(3 * m_reason->fontMetrics().lineSpacing() + 4);
  layout->addWidget(m_status);
  layout->addWidget(m_reason);
  AddFields(layout);

  m_shot = new QPushButton("Shot", this);
  m_shot->setObjectName("shot");
  m_shot->setMinimumHeight(48);
  layout->addWidget(m_shot);
  auto* acquisition = new QHBoxLayout;
  m_grabbing = new QCheckBox("Grabbing", this);
  m_grabbing->setObjectName("startStop");
  m_restartTrigger = new QPushButton("Restart trigger", this);
  m_restartTrigger->setObjectName("restartTrigger");
  acquisition->addWidget(m_grabbing);
  acquisition->addWidget(m_restartTrigger);
  layout->addLayout(acquisition);

  layout->addWidget(
      new QLabel("Live view (motion trigger) and, in the compact window, the last photo:", this));
  m_pane = new ImagePane(this);
  m_pane->setObjectName("smallPane");
  m_pane->SetPlaceholder("Nothing to show yet");
  layout->addWidget(m_pane, 1);
  layout->addWidget(PowerButtons());

  connect(m_shot, &QPushButton::clicked, this, [this] { m_core.ShotButton(); });
  connect(m_restartTrigger, &QPushButton::clicked, this, [this] { m_core.RestartTrigger(); });
  connect(m_grabbing, &QCheckBox::toggled, this, [this](bool on) { m_core.SetGrabbing(on); });
  connect(m_preset, &QComboBox::activated, this, [this](int index) { m_core.ApplyPreset(index); });
  Refresh();
}

void ControlPage::AddFields(QVBoxLayout* layout) {
  auto* fields = m_fields = new QFormLayout;
  m_lastPhoto = FieldLabel("lastPhoto", this);
  m_counter = FieldLabel("lastCounter", this);
  m_saved = FieldLabel("photosSaved", this);
  m_layout = FieldLabel("activeLayout", this);
  m_preset = new QComboBox(this);
  m_preset->setObjectName("preset");
  m_preset->addItems({"Normal", "Low Light", "High Light"});
  m_presetNote = new QLabel(this);
  m_presetNote->setObjectName("presetNote");
  m_presetNote->setWordWrap(true);
  m_presetNote->setStyleSheet("color: #b45309;");
  fields->addRow("Last photo:", m_lastPhoto);
  fields->addRow("Counter:", m_counter);
  fields->addRow("Photos saved:", m_saved);
  fields->addRow("Layout:", m_layout);
  fields->addRow("Preset:", m_preset);
  fields->addRow(m_presetNote);
  layout->addLayout(fields);
}

// Kept away from the shot controls, at the bottom of the page.
QGroupBox* ControlPage::PowerButtons() {
  auto* group = new QGroupBox("Machine (hold Shift and click)", this);
  auto* buttons = new QHBoxLayout(group);
  auto* powerOff = new QPushButton("Power off", group);
  powerOff->setObjectName("powerOff");
  auto* restart = new QPushButton("Restart machine", group);
  restart->setObjectName("restartMachine");
  buttons->addWidget(powerOff);
  buttons->addWidget(restart);
  connect(powerOff, &QPushButton::clicked, this, [this] { PowerButton(kPowerOffCode); });
  connect(restart, &QPushButton::clicked, this, [this] { PowerButton(kRestartCode); });
  return group;
}

void ControlPage::PowerButton(int shutdownCode) {
  if (m_shiftHeld()) m_power(shutdownCode);
}

void ControlPage::Refresh() {
  const StationStatus status = m_core.CurrentStatus();
  ShowStatus(status);
  ShowLastPhoto();
  m_saved->setText(QString::number(m_core.SavedCount()));
  m_layout->setText(LayoutName(m_core.SelectedLayout()));
  const QSignalBlocker presetBlocker(m_preset);
  m_preset->setCurrentIndex(m_core.GetPreset());
  const QString note = QString::fromStdString(m_core.PresetNote());
  m_presetNote->setText(note);
  m_fields->setRowVisible(m_presetNote, !note.isEmpty());  // no empty row without a note
  const QSignalBlocker grabbingBlocker(m_grabbing);
  m_grabbing->setChecked(m_core.IsCameraConnected());
  // Without a grabbing camera a shot could not do anything: the banner says why.
  const bool cannotShoot =
      status.state == StationStatus::State::NoCamera || status.state == StationStatus::State::Stopped;
  m_shot->setEnabled(!cannotShoot);
  m_shot->setToolTip(cannotShoot ? QString::fromStdString(status.reason) : QString());
}

void ControlPage::ShowStatus(const StationStatus& status) {
  const StatusColours colours = ColoursOf(status.state);
  m_status->setText(QString::fromStdString(status.word));
  m_status->setStyleSheet(
      QString("QLabel { background-color: %1; color: %2; font-weight: bold; font-size: 16pt;"
              " padding: 6px; border-radius: 4px; }")
          .arg(colours.background, colours.text));
  QString reason = QString::fromStdString(status.reason);
  if (status.state == StationStatus::State::NotSaved) reason = "The last photo was not saved: " + reason;
  if (status.state == StationStatus::State::OutOfService)
    reason = "Shots and triggers are ignored until the station is back in service" +
             (reason.isEmpty() ? QString() : ": " + reason);
  m_reason->setText(reason);
}

void ControlPage::ShowLastPhoto() {
  const QString path = QString::fromStdString(m_core.LastPhotoPath());
  if (path.isEmpty()) {
    m_lastPhoto->setText("None yet");
    m_counter->setText("-");
    return;
  }
  m_lastPhoto->setText(QFileInfo(path).fileName());
  m_lastPhoto->setToolTip(path);
  m_counter->setText(QString::number(m_core.LastPhotoCounter()));
}
