#include "ui/ControlPage.h"

#include "app/station/CGrabberDlg.h"
#include "ui/ImagePane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

constexpr int kPowerOffCode = 1;  // power off, forcing
constexpr int kRestartCode = 3;   // restart, forcing hung applications

}  // namespace

ControlPage::ControlPage(CGrabberDlg& core, PowerAction power, ShiftQuery shiftHeld, QWidget* parent)
    : StationPage(parent), m_core(core), m_power(std::move(power)), m_shiftHeld(std::move(shiftHeld))
{
    auto* layout = new QGridLayout(this);
    m_status = new QLabel(this);
    m_status->setObjectName("status");
    m_saved = new QLabel(this);
    m_saved->setObjectName("photosSaved");
    m_preset = new QComboBox(this);
    m_preset->setObjectName("preset");
    m_preset->addItems({"Normal", "Low Light", "High Light"});
    m_shot = new QPushButton("Shot", this);
    m_shot->setObjectName("shot");
    m_grabbing = new QCheckBox("Grabbing", this);
    m_grabbing->setObjectName("startStop");
    m_restartTrigger = new QPushButton("Restart trigger", this);
    m_restartTrigger->setObjectName("restartTrigger");
    m_pane = new ImagePane(this);
    m_pane->setObjectName("smallPane");

    layout->addWidget(new QLabel("Status:", this), 0, 0);
    layout->addWidget(m_status, 0, 1);
    layout->addWidget(new QLabel("Photos saved:", this), 1, 0);
    layout->addWidget(m_saved, 1, 1);
    layout->addWidget(new QLabel("Preset:", this), 2, 0);
    layout->addWidget(m_preset, 2, 1);
    layout->addWidget(m_shot, 3, 0, 1, 2);
    layout->addWidget(m_grabbing, 4, 0);
    layout->addWidget(m_restartTrigger, 4, 1);
    AddPowerButtons(layout, 5);
    layout->addWidget(m_pane, 6, 0, 1, 2);
    layout->setRowStretch(6, 1);

    connect(m_shot, &QPushButton::clicked, this, [this] { m_core.ShotButton(); });
    connect(m_restartTrigger, &QPushButton::clicked, this, [this] { m_core.RestartTrigger(); });
    connect(m_grabbing, &QCheckBox::toggled, this, [this](bool on) { m_core.SetGrabbing(on); });
    connect(m_preset, &QComboBox::activated, this, [this](int index) { m_core.ApplyPreset(index); });
    Refresh();
}

void ControlPage::AddPowerButtons(QGridLayout* layout, int row)
{
    auto* powerOff = new QPushButton("Power off (Shift)", this);
    powerOff->setObjectName("powerOff");
    auto* restart = new QPushButton("Restart machine (Shift)", this);
    restart->setObjectName("restartMachine");
    layout->addWidget(powerOff, row, 0);
    layout->addWidget(restart, row, 1);
    connect(powerOff, &QPushButton::clicked, this, [this] { PowerButton(kPowerOffCode); });
    connect(restart, &QPushButton::clicked, this, [this] { PowerButton(kRestartCode); });
}

void ControlPage::PowerButton(int shutdownCode)
{
    if (m_shiftHeld())
        m_power(shutdownCode);
}

void ControlPage::Refresh()
{
    m_status->setText(QString::fromStdString(m_core.Status()));
    m_status->setToolTip(QString::fromStdString(m_core.SaveProblem()));  // why a photo was not saved
    m_saved->setText(QString::number(m_core.SavedCount()));
    const QSignalBlocker presetBlocker(m_preset);
    m_preset->setCurrentIndex(m_core.GetPreset());
    const QSignalBlocker grabbingBlocker(m_grabbing);
    m_grabbing->setChecked(m_core.IsCameraConnected());
}
