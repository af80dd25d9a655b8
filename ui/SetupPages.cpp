#include "ui/SetupPages.h"

#include "app/station/CGrabberDlg.h"
#include "ui/TriggerSettingsBox.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QPushButton* AddTestShotButton(CGrabberDlg& core, QWidget* page, QLayout* layout)
{
    auto* button = new QPushButton("Test shot", page);
    button->setObjectName("testShot");
    QObject::connect(button, &QPushButton::clicked, page, [&core] { core.SoftwareShot(false); });
    layout->addWidget(button);
    return button;
}

}  // namespace

GeneralSetupPage::GeneralSetupPage(CGrabberDlg& core, QWidget* parent) : StationPage(parent), m_core(core)
{
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_server = new QLineEdit(this);
    m_path = new QLineEdit(this);
    m_operator = new QLineEdit(this);
    m_file = new QLineEdit(this);
    m_server->setObjectName("serverName");
    m_path->setObjectName("databasePath");
    m_operator->setObjectName("operatorName");
    m_file->setObjectName("databaseFile");
    form->addRow("Counter server:", m_server);
    form->addRow("Photo folder:", m_path);
    form->addRow("Operator:", m_operator);
    form->addRow("Database file:", m_file);
    layout->addLayout(form);
    m_trigger = new TriggerSettingsBox(core, this);
    layout->addWidget(m_trigger);
    AddTestShotButton(core, this, layout);
    layout->addStretch(1);
    Refresh();
}

void GeneralSetupPage::Apply()
{
    m_core.SetDatabaseSettings(m_server->text().toStdString(), m_path->text().toStdString(),
                               m_operator->text().toStdString(), m_file->text().toStdString());
    m_trigger->Apply();
}

void GeneralSetupPage::Refresh()
{
    std::string server, path, op, file;
    m_core.GetDatabaseSettings(server, path, op, file);
    m_server->setText(QString::fromStdString(server));
    m_path->setText(QString::fromStdString(path));
    m_operator->setText(QString::fromStdString(op));
    m_file->setText(QString::fromStdString(file));
    m_trigger->Refresh();
}

CameraSetupPage::CameraSetupPage(CGrabberDlg& core, QWidget* parent) : StationPage(parent), m_core(core)
{
    auto* layout = new QVBoxLayout(this);
    m_live = new QCheckBox("Live view", this);
    m_live->setObjectName("liveMode");
    layout->addWidget(m_live);
    connect(m_live, &QCheckBox::toggled, this, [this](bool on) { m_core.SetLiveMode(on); });
    AddTestShotButton(core, this, layout);
    layout->addStretch(1);
}

void CameraSetupPage::Refresh()
{
    const QSignalBlocker blocker(m_live);
    m_live->setChecked(m_core.IsLiveMode());
}

ColorSetupPage::ColorSetupPage(CGrabberDlg& core, QWidget* parent) : StationPage(parent)
{
    auto* layout = new QVBoxLayout(this);
    AddTestShotButton(core, this, layout);
    layout->addStretch(1);
}

LayoutSelectorPage::LayoutSelectorPage(QWidget* parent) : StationPage(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* list = new QListWidget(this);
    list->setObjectName("layouts");
    layout->addWidget(list);
}
