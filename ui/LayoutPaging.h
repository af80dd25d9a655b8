#pragma once

#include <cstddef>

class CLayoutList;

// Which layouts of the list the selector page shows: four of the current
// category from a first index. Moving past the end of a category goes on to
// the next one (after the last comes the first).
class LayoutPaging {
 public:
  static constexpr int kSlots = 4;

  explicit LayoutPaging(CLayoutList& list) : m_list(list) {}

  int First() const { return m_first; }
  // Back by one, not below 0.
  void Previous();
  // On by one; once the first index reaches the category's count minus 3, the
  // next category from its start.
  void Next();
  // The next category, keeping the first index.
  void NextCategory();
  // The list index shown in a slot, or -1 when the slot holds no layout.
  int IndexAt(int slot) const;

 private:
  CLayoutList& m_list;
  int m_first = 0;
};
