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
// each as its composed preview, and the selected layout's full-size
// composition of the last photo. Picking a layout makes it the one new photos
// get and returns to the control page.
class LayoutsPage : public StationPage {
  Q_OBJECT
 public:
  static constexpr int kPreviewSize = 128;

  LayoutsPage(CGrabberDlg& core, QWidget* parent = nullptr);
  ~LayoutsPage() override;
  // Loads the list the first time the database answers, then shows it.
  void Refresh() override;

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
  QLabel* m_selected;
  ImagePane* m_composition;
  std::thread m_composer;
};
