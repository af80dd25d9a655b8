#pragma once

#include "ui/StationPage.h"

#include <string>

class CGrabberDlg;
class QComboBox;
class QLabel;
class QLineEdit;
class TriggerSettingsBox;

// Page 1: where photos and records go (database, photo folder, operator, the
// film-number server), the trigger settings and a test shot. Enter applies
// and saves them. A photo folder that does not exist is warned of as it is
// typed, and the database the connection reaches is stated.
class GeneralSetupPage : public StationPage {
  Q_OBJECT
 public:
  GeneralSetupPage(CGrabberDlg& core, QWidget* parent = nullptr);
  void Apply() override;
  void Refresh() override;

 private:
  void DatabaseTypeChosen(int type);
  void ShowPhotoFolderProblem();
  void ShowDatabaseInUse();
  // The connection string of the connection and password fields.
  std::string Connection() const;
  // Shows a connection string, its password in the password field (hidden).
  void ShowConnection(const std::string& connection);

  CGrabberDlg& m_core;
  QComboBox* m_databaseType;
  QLineEdit* m_connection;
  QLineEdit* m_password;
  QLineEdit* m_server;
  QLineEdit* m_path;
  QLabel* m_pathProblem;
  QLineEdit* m_operator;
  QLabel* m_databaseInUse;
  TriggerSettingsBox* m_trigger;
};
