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
    m_slots[slot]->setCheckable(true);
    // A slot without a layout is hidden but keeps its place, so tiles never move.
    QSizePolicy policy = m_slots[slot]->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    m_slots[slot]->setSizePolicy(policy);
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
  m_category->setText("Category: " + QString::fromStdString(m_list->CategoryName(m_list->CurrentCategory())));
  const CLayoutObject active = m_core.SelectedLayout();
  for (int slot = 0; slot < LayoutPaging::kSlots; ++slot) {
    QToolButton* button = m_slots[slot];
    const int index = m_paging->IndexAt(slot);
    button->setEnabled(index >= 0);
    button->setVisible(index >= 0);
    if (index < 0) continue;
    const CLayoutObject layout = m_list->At(static_cast<std::size_t>(index));
    button->setIcon(Preview(layout.id, index));
    button->setText(QString::fromStdString(layout.layoutName) +
                    (layout.unusable.empty() ? "" : "\n(cannot be used)"));
    button->setChecked(layout.id == active.id);
    button->setToolTip(layout.unusable.empty()
                           ? QString()
                           : "Not used for photos: " + QString::fromStdString(layout.unusable));
  }
  m_selected->setText("Active layout: " +
                      QString::fromStdString(active.id == -1 ? "None" : active.layoutName));
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
  const CLayoutObject picked = m_list->At(static_cast<std::size_t>(index));
  m_core.SelectLayout(picked.id);
  ShowSlots();
  ComposeLastPhoto();
  ReturnToControlPage();
  const QString name = QString::fromStdString(picked.layoutName);
  emit LayoutChosen(m_core.SelectedLayout().id == picked.id
                        ? "Chosen just now: new photos get \"" + name + "\"."
                        : "\"" + name + "\" cannot be used (" + QString::fromStdString(picked.unusable) +
                              "): new photos get no layout.");
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
