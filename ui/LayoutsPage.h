#pragma once

#include "ui/StationPage.h"

#include <QMap>
#include <QPixmap>

#include <memory>
#include <thread>

class CGrabberDlg;
class CLayoutList;
class ImagePane;
class LayoutPaging;
class QLabel;
class QToolButton;

// The layout selector: the layouts of the current category four at a time,
// each as its composed preview under its name (the active one marked), and
// the active layout's full-size composition of the last photo. Picking a
// layout makes it the one new photos get and returns to the control page,
// which announces the choice.
class LayoutsPage : public StationPage {
  Q_OBJECT
 public:
  static constexpr int kPreviewSize = 128;

  LayoutsPage(CGrabberDlg& core, QWidget* parent = nullptr);
  ~LayoutsPage() override;
  // Loads the list the first time the database answers, then shows it.
  void Refresh() override;

 signals:
  // A layout was picked and the control page is shown; the note says what new
  // photos get.
  void LayoutChosen(const QString& note);

 private:
  void ShowSlots();
  QPixmap Preview(long id, int index);
  void Pick(int slot);
  // Composes the selected layout over the last photo on a worker thread.
  void ComposeLastPhoto();
  void ReturnToControlPage();

  CGrabberDlg& m_core;
  CLayoutList* m_list = nullptr;
  std::unique_ptr<LayoutPaging> m_paging;
  QMap<long, QPixmap> m_previews;  // by layout id; the list is never rebuilt
  QLabel* m_category;
  QToolButton* m_slots[4];
  QLabel* m_selected;  // the active layout's name
  ImagePane* m_composition;
  std::thread m_composer;
};
