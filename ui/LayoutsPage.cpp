#include "ui/LayoutsPage.h"

#include "app/station/CGrabberDlg.h"
#include "ui/ImagePane.h"
#include "ui/LayoutPaging.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

LayoutsPage::LayoutsPage(CGrabberDlg& core, QWidget* parent) : StationPage(parent), m_core(core) {
  auto* layout = new QVBoxLayout(this);
  auto* header = new QHBoxLayout;
  m_category = new QLabel("The layouts are read once the database answers.", this);
  m_category->setObjectName("category");
  auto* nextCategory = new QPushButton("Next category", this);
  nextCategory->setObjectName("nextCategory");
  header->addWidget(m_category, 1);
  header->addWidget(nextCategory);
  layout->addLayout(header);

  auto* grid = new QGridLayout;
  for (int slot = 0; slot < LayoutPaging::kSlots; ++slot) {
    m_slots[slot] = new QToolButton(this);
    m_slots[slot]->setObjectName(QString("layout%1").arg(slot));
    m_slots[slot]->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_slots[slot]->setIconSize(QSize(kPreviewSize, kPreviewSize));
    m_slots[slot]->setEnabled(false);
    grid->addWidget(m_slots[slot], slot / 2, slot % 2);
    connect(m_slots[slot], &QToolButton::clicked, this, [this, slot] { Pick(slot); });
  }
  layout->addLayout(grid);
  auto* paging = new QHBoxLayout;
  auto* previous = new QPushButton("Previous", this);
  auto* next = new QPushButton("Next", this);
  previous->setObjectName("previous");
  next->setObjectName("next");
  paging->addWidget(previous);
  paging->addWidget(next);
  layout->addLayout(paging);

  m_selected = new QLabel(this);
  m_selected->setObjectName("selected");
  layout->addWidget(m_selected);
  m_composition = new ImagePane(this);
  m_composition->setObjectName("composition");
  m_composition->setMinimumHeight(160);
  layout->addWidget(m_composition, 1);

  const auto step = [this](void (LayoutPaging::*move)()) {
    if (!m_paging) return;
    ((*m_paging).*move)();
    ShowSlots();
  };
  connect(previous, &QPushButton::clicked, this, [step] { step(&LayoutPaging::Previous); });
  connect(next, &QPushButton::clicked, this, [step] { step(&LayoutPaging::Next); });
  connect(nextCategory, &QPushButton::clicked, this, [step] { step(&LayoutPaging::NextCategory); });
}

LayoutsPage::~LayoutsPage() {
  if (m_composer.joinable()) m_composer.join();
}

void LayoutsPage::Refresh() {
  if (!m_list) {
    m_list = m_core.LayoutList();
    if (!m_list) return;
    m_paging = std::make_unique<LayoutPaging>(*m_list);
  }
  ShowSlots();
  ComposeLastPhoto();
}

void LayoutsPage::ShowSlots() {
  m_category->setText(QString::fromStdString(m_list->CategoryName(m_list->CurrentCategory())));
  for (int slot = 0; slot < LayoutPaging::kSlots; ++slot) {
    QToolButton* button = m_slots[slot];
    const int index = m_paging->IndexAt(slot);
    button->setEnabled(index >= 0);
    if (index < 0) {
      button->setIcon(QIcon());
      button->setText(QString());
      continue;
    }
    const CLayoutObject layout = m_list->At(static_cast<std::size_t>(index));
    button->setIcon(Preview(layout.id, index));
    button->setText(
        QString::fromStdString(layout.layoutName.empty() ? std::to_string(layout.id) : layout.layoutName));
  }
  m_selected->setText("Selected: " + QString::fromStdString(m_core.SelectedLayout().layoutName));
}

QPixmap LayoutsPage::Preview(long id, int index) {
  const auto cached = m_previews.constFind(id);
  if (cached != m_previews.constEnd()) return *cached;
  CLayoutObject layout = m_list->At(static_cast<std::size_t>(index));
  CxImage preview;
  QPixmap pixmap;
  if (layout.GetComposed(kPreviewSize, m_core.ReadCompositionOptions(), preview))
    pixmap = QPixmap::fromImage(ToQImage(preview));
  m_previews.insert(id, pixmap);
  return pixmap;
}

void LayoutsPage::Pick(int slot) {
  const int index = m_paging ? m_paging->IndexAt(slot) : -1;
  if (index < 0) return;
  m_core.SelectLayout(m_list->At(static_cast<std::size_t>(index)).id);
  ShowSlots();
  ComposeLastPhoto();
  ReturnToControlPage();
}

void LayoutsPage::ComposeLastPhoto() {
  CLayoutObject layout = m_core.SelectedLayout();
  layout.name = m_core.LastPhotoPath();
  if (layout.name.empty()) return;
  if (m_composer.joinable()) m_composer.join();
  m_composer =
      std::thread([this, layout = std::move(layout), options = m_core.ReadCompositionOptions()]() mutable {
        CxImage composition;
        if (layout.GetComposed(0, options, composition)) m_composition->SetImage(composition);
      });
}

void LayoutsPage::ReturnToControlPage() {
  for (QWidget* widget = parentWidget(); widget; widget = widget->parentWidget()) {
    if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
      tabs->setCurrentIndex(CGrabberDlg::ControlPage);
      return;
    }
  }
}
