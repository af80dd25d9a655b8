// The station's side of the layout selector page.
#include "app/station/CGrabberDlg.h"

#include "app/GrabberApp.h"
#include "platform/LogTrace.h"
#include "platform/ProfileStore.h"

CLayoutList* CGrabberDlg::LayoutList() {
  {
    std::lock_guard lock(m_layoutLock);
    if (m_layoutList) return m_layoutList.get();  // never replaced once loaded
  }
  if (TestDatabaseConnection()) LoadLayoutList();
  std::lock_guard lock(m_layoutLock);
  return m_layoutList.get();
}

CLayoutObject CGrabberDlg::SelectedLayout() const {
  std::lock_guard lock(m_layoutLock);
  return m_layout;
}

void CGrabberDlg::SelectLayout(long id) {
  CLayoutList* list = LayoutList();
  if (!list) return;
  m_app.WriteProfileInt(CGrabberApp::kSectionProgram, "Last Layout ID", static_cast<int>(id));
  CLayoutObject layout = UsableLayout(*list, ReadInt(CGrabberApp::kSectionProgram, "Last Layout ID", -1));
  std::lock_guard lock(m_layoutLock);
  m_layout = layout;
}

CLayoutObject CGrabberDlg::UsableLayout(const CLayoutList& list, long id) {
  CLayoutObject layout = list.FindById(id);
  if (layout.unusable.empty()) return layout;
  TheLog().WriteLine("Layout " + layout.layoutName + " is not used: " + layout.unusable);
  return CLayoutObject(
      static_cast<float>(ReadInt(CGrabberApp::kSectionProgram, "Default Aspect Ratio", 1370)) / 1000.0f);
}

CompositionOptions CGrabberDlg::ReadCompositionOptions() const {
  return CompositionOptions::Read(bx::ProfileStore(m_app.ApplicationName()));
}

std::string CGrabberDlg::LastPhotoPath() const {
  std::lock_guard lock(m_stateLock);
  return m_lastPhotoPath;
}
