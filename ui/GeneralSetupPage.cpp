#include "ui/GeneralSetupPage.h"

#include "app/station/CGrabberDlg.h"
#include "odbc/DefaultConnection.h"
#include "ui/TestShotButton.h"
#include "ui/TriggerSettingsBox.h"

#include <QPushButton>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QLineEdit* AddLine(QFormLayout* form, const char* label, const char* name)
{
    auto* line = new QLineEdit(form->parentWidget());
    line->setObjectName(name);
    form->addRow(label, line);
    return line;
}

}  // namespace

GeneralSetupPage::GeneralSetupPage(CGrabberDlg& core, QWidget* parent) : StationPage(parent), m_core(core)
{
    auto* layout = new QVBoxLayout(this);
    auto* database = new QGroupBox("Photos and records", this);
    auto* form = new QFormLayout(database);
    m_databaseType = new QComboBox(database);
    m_databaseType->setObjectName("databaseType");
    m_databaseType->addItems({"Local database (SQLite)", "PostgreSQL server"});
    form->addRow("Database:", m_databaseType);
    m_connection = AddLine(form, "Connection:", "odbcConnection");
    m_connection->setToolTip("ODBC;DSN=name;UID=user;PWD=password");
    m_server = AddLine(form, "Counter server:", "serverName");
    m_server->setPlaceholderText("this station; or HOST[:INSTANCE], localhost");
    m_path = AddLine(form, "Photo folder:", "databasePath");
    m_operator = AddLine(form, "Operator:", "operatorName");
    m_file = AddLine(form, "Database file:", "databaseFile");
    layout->addWidget(database);
    m_trigger = new TriggerSettingsBox(core, this);
    layout->addWidget(m_trigger);
    layout->addWidget(MakeTestShotButton(core, this));
    layout->addStretch(1);
    connect(m_databaseType, &QComboBox::activated, this, &GeneralSetupPage::DatabaseTypeChosen);
    Refresh();
}

// A connection that is some type's built-in default follows the type; one the
// user wrote stays.
void GeneralSetupPage::DatabaseTypeChosen(int type)
{
    const std::string shown = m_connection->text().toStdString();
    if (shown.empty() || shown == DefaultConnectionString(0) || shown == DefaultConnectionString(1))
        m_connection->setText(QString::fromStdString(DefaultConnectionString(type)));
}

void GeneralSetupPage::Apply()
{
    m_core.SetDatabaseConnection(m_databaseType->currentIndex(), m_connection->text().toStdString());
    m_core.SetDatabaseSettings(m_server->text().toStdString(), m_path->text().toStdString(),
                               m_operator->text().toStdString(), m_file->text().toStdString());
    m_trigger->Apply();
}

void GeneralSetupPage::Refresh()
{
    const DatabaseSettings connection = m_core.GetDatabaseConnection();
    {
        const QSignalBlocker blocker(m_databaseType);
        m_databaseType->setCurrentIndex(connection.databaseType == 1 ? 1 : 0);
    }
    m_connection->setText(QString::fromStdString(connection.ConnectionString()));
    std::string server, path, op, file;
    m_core.GetDatabaseSettings(server, path, op, file);
    m_server->setText(QString::fromStdString(server));
    m_path->setText(QString::fromStdString(path));
    m_operator->setText(QString::fromStdString(op));
    m_file->setText(QString::fromStdString(file));
    m_trigger->Refresh();
}
