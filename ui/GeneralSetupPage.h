#pragma once

#include "ui/StationPage.h"

class CGrabberDlg;
class QComboBox;
class QLineEdit;
class TriggerSettingsBox;

// Page 1: where photos and records go (database, photo folder, operator, the
// film-number server), the trigger settings and a test shot. Enter applies
// and saves them.
class GeneralSetupPage : public StationPage {
    Q_OBJECT
public:
    GeneralSetupPage(CGrabberDlg& core, QWidget* parent = nullptr);
    void Apply() override;
    void Refresh() override;

private:
    void DatabaseTypeChosen(int type);

    CGrabberDlg& m_core;
    QComboBox* m_databaseType;
    QLineEdit* m_connection;
    QLineEdit* m_server;
    QLineEdit* m_path;
    QLineEdit* m_operator;
    QLineEdit* m_file;
    TriggerSettingsBox* m_trigger;
};
