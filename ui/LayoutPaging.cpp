#include "ui/LayoutPaging.h"

#include "layout/CLayoutList.h"

void LayoutPaging::Previous() {
  if (m_first > 0) --m_first;
}

void LayoutPaging::Next() {
  ++m_first;
  if (m_first >= static_cast<int>(m_list.Count()) - 3) {
    NextCategory();
    m_first = 0;
  }
}

void LayoutPaging::NextCategory() {
  const std::size_t count = m_list.CategoryCount();
  if (count > 0) m_list.SetCurrentCategory((m_list.CurrentCategory() + 1) % count);
}

int LayoutPaging::IndexAt(int slot) const {
  const int index = m_first + slot;
  return slot >= 0 && slot < kSlots && index < static_cast<int>(m_list.Count()) ? index : -1;
}
