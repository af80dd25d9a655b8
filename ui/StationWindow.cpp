#include "ui/StationWindow.h"

#include "app/station/CGrabberDlg.h"
#include "ui/CameraSetupPage.h"
#include "ui/ColorSetupPage.h"
#include "ui/ControlPage.h"
#include "ui/GeneralSetupPage.h"
#include "ui/ImagePane.h"
#include "ui/LayoutsPage.h"
#include "ui/StationPage.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMetaObject>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr int kPageMinimumWidth = 420;
constexpr int kPageMinimumHeight = 480;
constexpr int kPaneMargin = 4;

bool QtShiftHeld() { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier); }

}  // namespace

StationWindow::StationWindow(CGrabberApp& app, PowerAction power, ShiftQuery shiftHeld, QWidget* parent)
    : QWidget(parent),
      m_shiftHeld(shiftHeld ? std::move(shiftHeld) : ShiftQuery(QtShiftHeld)),
      m_core(std::make_unique<CGrabberDlg>(app, *this)),
      m_power(std::move(power)) {
  setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setWindowTitle("Brightcap Grabber");
  BuildPages();
}

StationWindow::~StationWindow() {
  // The core's threads show images through the panes: end them while the panes
  // live. The pages observe the core, so they go before it.
  m_core->OnDestroy();
  delete m_pages;
  m_pages = nullptr;
  m_controlPage = nullptr;
  m_core.reset();
}

void StationWindow::BuildPages() {
  m_pages = new QTabWidget(this);
  m_pages->setUsesScrollButtons(false);  // all five titles stay readable
  m_controlPage = new ControlPage(*m_core, m_power, m_shiftHeld, m_pages);
  m_pages->addTab(m_controlPage, "Control");
  m_pages->addTab(new GeneralSetupPage(*m_core, m_pages), "General set-up");
  m_pages->addTab(new CameraSetupPage(*m_core, m_pages), "Camera set-up");
  m_pages->addTab(new ColorSetupPage(*m_core, m_pages), "Colour set-up");
  auto* layouts = new LayoutsPage(*m_core, m_pages);
  m_pages->addTab(layouts, "Layouts");
  connect(layouts, &LayoutsPage::LayoutChosen, m_controlPage, &ControlPage::AnnounceLayoutChoice);
  m_pane = new ImagePane(this);
  m_pane->setObjectName("imagePane");
  m_pane->SetPlaceholder("The last photo appears here");
  connect(m_pages, &QTabWidget::currentChanged, this, [this](int index) {
    m_core->OnPageActivated(index);
    ActivePage()->Refresh();
  });
  PlaceImagePane();
}

// The window starts widened by its own height, the pane filling the added
// square; the pages keep their width and the pane takes every size the window gains.
void StationWindow::PlaceImagePane() {
  const QSize hint = m_pages->sizeHint();
  const int width = std::max(hint.width(), kPageMinimumWidth);
  const int height = std::max(hint.height(), kPageMinimumHeight);
  m_pages->setMinimumSize(width, kPageMinimumHeight);
  m_pages->setMaximumWidth(width);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(m_pages);
  m_paneFrame = new QWidget(this);
  auto* frame = new QVBoxLayout(m_paneFrame);
  frame->setContentsMargins(kPaneMargin, kPaneMargin, kPaneMargin, kPaneMargin);
  m_pane->setParent(m_paneFrame);
  frame->addWidget(m_pane);
  layout->addWidget(m_paneFrame, 1);
  resize(width + height, height);
}

bool StationWindow::Start() {
  if (m_core->OnInitDialog()) {
    m_pages->setCurrentIndex(CGrabberDlg::ControlPage);
    m_controlPage->Refresh();
    return true;
  }
  End();
  return false;
}

void StationWindow::End() {
  m_ending = true;
  close();
}

void StationWindow::ToggleCompact() {
  if (!m_compact) {
    m_savedRect = geometry();
    m_compact = true;
    m_paneFrame->hide();
    layout()->activate();  // the window's minimum width without the pane
    setGeometry(m_savedRect.x(), m_savedRect.y(), m_pages->width(), m_savedRect.height());
  } else {
    m_compact = false;
    m_paneFrame->show();
    setGeometry(m_savedRect);
  }
}

StationPage* StationWindow::ActivePage() const { return static_cast<StationPage*>(m_pages->currentWidget()); }

void StationWindow::ShowOutputImage(const CxImage& image, const ShownImage& about) {
  const QString warning = about.kind == ShownImage::Kind::UnsavedPhoto
                              ? "NOT SAVED: " + QString::fromStdString(about.problem)
                              : QString();
  (m_compact ? m_controlPage->SmallPane() : *m_pane).SetImage(image, warning);
  RefreshPages();
}

// On a set-up page (the camera page's live view) the big pane shows the preview.
void StationWindow::ShowPreview(const CxImage& preview) {
  (m_core->ActivePage() == CGrabberDlg::ControlPage ? m_controlPage->SmallPane() : *m_pane).SetImage(preview);
}

void StationWindow::SetTitle(const std::string& title) {
  QMetaObject::invokeMethod(
      this, [this, text = QString::fromStdString(title)] { setWindowTitle(text); }, Qt::QueuedConnection);
}

void StationWindow::RefreshPages() {
  // Only the control page follows the core; a set-up page keeps what is being edited.
  QMetaObject::invokeMethod(
      this, [this] { m_controlPage->Refresh(); }, Qt::QueuedConnection);
}

// May come from the film-number service's thread.
void StationWindow::ActivePresetChanged(int) {
  QMetaObject::invokeMethod(
      this,
      [this] {
        for (int index = 0; index < m_pages->count(); ++index)
          static_cast<StationPage*>(m_pages->widget(index))->PresetChanged();
        m_controlPage->Refresh();
      },
      Qt::QueuedConnection);
}

bool StationWindow::IsShiftHeld() const { return m_shiftHeld(); }

void StationWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMaximized()) {
    // Maximising does not maximise: it toggles the compact view.
    setWindowState(windowState() & ~Qt::WindowMaximized);
    QMetaObject::invokeMethod(
        this, [this] { ToggleCompact(); }, Qt::QueuedConnection);
  }
}

void StationWindow::closeEvent(QCloseEvent* event) {
  if (!m_ending && !IsShiftHeld()) {
    event->ignore();
    return;
  }
  m_core->OnDestroy();
  event->accept();
}

void StationWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      ActivePage()->Apply();
      m_pages->setCurrentIndex(CGrabberDlg::ControlPage);
      event->accept();
      break;
    case Qt::Key_Escape:
      event->accept();
      break;
    default:
      QWidget::keyPressEvent(event);
  }
}
