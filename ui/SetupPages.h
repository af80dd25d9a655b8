#pragma once

#include <QWidget>

class CGrabberDlg;
class QCheckBox;
class QLineEdit;
class TriggerSettingsBox;

// A page the Enter key applies before the control page is shown again.
class StationPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    virtual void Apply() {}
    virtual void Refresh() {}
};

// Page 1: the database and trigger settings and a test shot.
class GeneralSetupPage : public StationPage {
    Q_OBJECT
public:
    GeneralSetupPage(CGrabberDlg& core, QWidget* parent = nullptr);
    void Apply() override;
    void Refresh() override;

private:
    CGrabberDlg& m_core;
    QLineEdit* m_server;
    QLineEdit* m_path;
    QLineEdit* m_operator;
    QLineEdit* m_file;
    TriggerSettingsBox* m_trigger;
};

// Page 2: live view and a test shot; the camera's property grid comes with its subsystem.
class CameraSetupPage : public StationPage {
    Q_OBJECT
public:
    CameraSetupPage(CGrabberDlg& core, QWidget* parent = nullptr);
    void Refresh() override;

private:
    CGrabberDlg& m_core;
    QCheckBox* m_live;
};

// Page 3: a test shot; the colour settings grid comes with the colour transformer.
class ColorSetupPage : public StationPage {
    Q_OBJECT
public:
    ColorSetupPage(CGrabberDlg& core, QWidget* parent = nullptr);
};

// Page 4: the layout list, filled once layouts can be read from the database.
class LayoutSelectorPage : public StationPage {
    Q_OBJECT
public:
    explicit LayoutSelectorPage(QWidget* parent = nullptr);
};
