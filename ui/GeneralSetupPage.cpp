#include "ui/GeneralSetupPage.h"

#include "app/numbering/ImageTreePaths.h"
#include "app/station/CGrabberDlg.h"
#include "odbc/DefaultConnection.h"
#include "ui/TestShotButton.h"
#include "ui/TriggerSettingsBox.h"

#include <QPushButton>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QLineEdit* AddLine(QFormLayout* form, const char* label, const char* name) {
  auto* line = new QLineEdit(form->parentWidget());
  line->setObjectName(name);
  form->addRow(label, line);
  return line;
}

QLabel* AddNote(QFormLayout* form, const char* name) {
  auto* note = new QLabel(form->parentWidget());
  note->setObjectName(name);
  note->setWordWrap(true);
  form->addRow(note);
  return note;
}

// The "KEY=" field of an ODBC connection string (keys in any case), or "" without one.
std::string ConnectionField(const std::string& connection, const QString& key) {
  const QString text = ";" + QString::fromStdString(connection);
  const qsizetype start = text.indexOf(";" + key + "=", 0, Qt::CaseInsensitive);
  if (start < 0) return {};
  const qsizetype value = start + key.size() + 2;
  const qsizetype end = text.indexOf(';', value);
  return text.mid(value, end < 0 ? -1 : end - value).toStdString();
}

// The connection string without its "PWD=" field when the field holds a
// password (shown in a field of its own), and that password.
std::pair<std::string, std::string> SplitPassword(const std::string& connection) {
  QStringList kept;
  QString password;
  for (const QString& field : QString::fromStdString(connection).split(';')) {
    if (field.startsWith("PWD=", Qt::CaseInsensitive) && field.size() > 4)
      password = field.mid(4);
    else
      kept << field;
  }
  return {kept.join(';').toStdString(), password.toStdString()};
}

// The connection string with `password` as its "PWD=" field; as it is for none.
std::string WithPassword(const std::string& connection, const std::string& password) {
  if (password.empty()) return connection;
  return SplitPassword(connection).first + ";PWD=" + password;
}

// What the records reach through the connection: the data source and, when
// the string names one, its database; otherwise the data source's own.
QString DatabaseInUse(const std::string& connection) {
  const std::string dsn = ConnectionField(connection, "DSN");
  if (dsn.empty()) return "No data source: the records cannot be written";
  const std::string database = ConnectionField(connection, "Database");
  return QString::fromStdString(
      "ODBC data source \"" + dsn + "\", " +
      (database.empty() ? "with the database its ODBC settings (odbc.ini) name" : "database " + database));
}

}  // namespace

GeneralSetupPage::GeneralSetupPage(CGrabberDlg& core, QWidget* parent) : StationPage(parent), m_core(core) {
  auto* layout = new QVBoxLayout(this);
  auto* database = new QGroupBox("Photos and records", this);
  auto* form = new QFormLayout(database);
  m_databaseType = new QComboBox(database);
  m_databaseType->setObjectName("databaseType");
  m_databaseType->addItems({"Local database (SQLite)", "PostgreSQL server"});
  form->addRow("Database:", m_databaseType);
  m_connection = AddLine(form, "Connection:", "odbcConnection");
  m_connection->setToolTip("ODBC;DSN=name;UID=user");
  m_password = AddLine(form, "Password:", "odbcPassword");
  m_password->setEchoMode(QLineEdit::Password);
  m_password->setToolTip("The connection's password (its \"PWD=\" field)");
  m_server = AddLine(form, "Counter server:", "serverName");
  m_server->setPlaceholderText("this station; or HOST[:INSTANCE], localhost");
  m_path = AddLine(form, "Photo folder:", "databasePath");
  m_pathProblem = AddNote(form, "photoFolderProblem");
  m_pathProblem->setStyleSheet("color: #c62828;");
  m_operator = AddLine(form, "Operator:", "operatorName");
  m_databaseInUse = new QLabel(database);
  m_databaseInUse->setObjectName("databaseInUse");
  m_databaseInUse->setWordWrap(true);
  form->insertRow(3, "In use:", m_databaseInUse);
  layout->addWidget(database);
  m_trigger = new TriggerSettingsBox(core, this);
  layout->addWidget(m_trigger);
  layout->addWidget(MakeTestShotButton(core, this));
  layout->addStretch(1);
  connect(m_databaseType, &QComboBox::activated, this, &GeneralSetupPage::DatabaseTypeChosen);
  connect(m_path, &QLineEdit::textChanged, this, &GeneralSetupPage::ShowPhotoFolderProblem);
  connect(m_connection, &QLineEdit::textChanged, this, &GeneralSetupPage::ShowDatabaseInUse);
  Refresh();
}

// A connection that is some type's built-in default follows the type; one the
// user wrote stays.
void GeneralSetupPage::DatabaseTypeChosen(int type) {
  const std::string shown = Connection();
  if (shown.empty() || shown == DefaultConnectionString(0) || shown == DefaultConnectionString(1))
    ShowConnection(DefaultConnectionString(type));
}

std::string GeneralSetupPage::Connection() const {
  return WithPassword(m_connection->text().toStdString(), m_password->text().toStdString());
}

void GeneralSetupPage::ShowConnection(const std::string& connection) {
  const auto [rest, password] = SplitPassword(connection);
  m_connection->setText(QString::fromStdString(rest));
  m_password->setText(QString::fromStdString(password));
}

void GeneralSetupPage::ShowPhotoFolderProblem() {
  const std::string path = m_path->text().toStdString();
  std::optional<std::string> problem;
  if (path.empty())
    problem = "Photos cannot be saved: no photo folder is set";
  else if (const auto missing = ImageTreePaths::MissingRoot(path))
    problem = "Photos cannot be saved: " + *missing;
  else if (path.back() != '/')
    problem = "The photos go to " + path + "images/...: end the folder with \"/\" to put them inside it";
  m_pathProblem->setText(QString::fromStdString(problem.value_or("")));
  // A hidden widget would still leave its row's space in the form.
  if (auto* form = qobject_cast<QFormLayout*>(m_pathProblem->parentWidget()->layout()))
    form->setRowVisible(m_pathProblem, problem.has_value());
}

void GeneralSetupPage::ShowDatabaseInUse() {
  m_databaseInUse->setText(DatabaseInUse(m_connection->text().toStdString()));
}

// "DatabaseFile" names no database on this system: it is kept as stored.
void GeneralSetupPage::Apply() {
  m_core.SetDatabaseConnection(m_databaseType->currentIndex(), Connection());
  std::string server, path, op, file;
  m_core.GetDatabaseSettings(server, path, op, file);
  m_core.SetDatabaseSettings(m_server->text().toStdString(), m_path->text().toStdString(),
                             m_operator->text().toStdString(), file);
  m_trigger->Apply();
}

void GeneralSetupPage::Refresh() {
  const DatabaseSettings connection = m_core.GetDatabaseConnection();
  {
    const QSignalBlocker blocker(m_databaseType);
    m_databaseType->setCurrentIndex(connection.databaseType == 1 ? 1 : 0);
  }
  ShowConnection(connection.ConnectionString());
  std::string server, path, op, file;
  m_core.GetDatabaseSettings(server, path, op, file);
  m_server->setText(QString::fromStdString(server));
  m_path->setText(QString::fromStdString(path));
  m_operator->setText(QString::fromStdString(op));
  m_trigger->Refresh();
}
