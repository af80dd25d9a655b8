#include "ui/TestShotButton.h"

#include "app/station/CGrabberDlg.h"

#include <QPushButton>

QPushButton* MakeTestShotButton(CGrabberDlg& core, QWidget* page) {
  auto* button = new QPushButton("Test shot", page);
  button->setObjectName("testShot");
  QObject::connect(button, &QPushButton::clicked, page, [&core] { core.SoftwareShot(false); });
  return button;
}
