#pragma once

class CGrabberDlg;
class QPushButton;
class QWidget;

// The set-up pages' "Test shot": a software shot that is shown, never saved.
QPushButton* MakeTestShotButton(CGrabberDlg& core, QWidget* page);
