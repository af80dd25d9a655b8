#pragma once

#include "ui/StationPage.h"

#include <functional>

class CGrabberDlg;
class ImagePane;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// Page 0: the station's status, the preset, the shot and acquisition controls
// and the two machine-power buttons that act only while Shift is held.
class ControlPage : public StationPage {
    Q_OBJECT
public:
    using PowerAction = std::function<void(int shutdownCode)>;
    using ShiftQuery = std::function<bool()>;

    ControlPage(CGrabberDlg& core, PowerAction power, ShiftQuery shiftHeld, QWidget* parent = nullptr);

    // Re-reads status, photo count, connection and preset from the core.
    void Refresh() override;
    ImagePane& SmallPane() { return *m_pane; }

private:
    void AddPowerButtons(class QGridLayout* layout, int row);
    void PowerButton(int shutdownCode);

    CGrabberDlg& m_core;
    PowerAction m_power;
    ShiftQuery m_shiftHeld;
    QLabel* m_status;
    QLabel* m_saved;
    QComboBox* m_preset;
    QPushButton* m_shot;
    QCheckBox* m_grabbing;
    QPushButton* m_restartTrigger;
    ImagePane* m_pane;
};
