#include "layout/CLayoutList.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "layout/CLayoutSet.h"
#include "odbc/SqlDialect.h"

CLayoutList::CLayoutList(Place place) : place_(std::move(place)) {}

CLayoutObject CLayoutList::DefaultLayout() const { return CLayoutObject(place_.defaultAspectRatio); }

void CLayoutList::AddBuiltIns(CCategoryList<CLayoutObject>& categories) const {
  CLayoutObject horizontal = DefaultLayout();
  horizontal.id = kHorizontalId;
  horizontal.layoutName = kHorizontalName;
  categories.push_back({"Horizontal", {horizontal}});
  CLayoutObject vertical = DefaultLayout();
  vertical.id = kVerticalId;
  vertical.layoutName = kVerticalName;
  vertical.params.zoom = -16;
  vertical.params.rotation = 157;
  vertical.params.aspectRatio = 1.0f / place_.defaultAspectRatio;
  categories.push_back({"Vertical", {vertical}});
}

bool CLayoutList::Load(const std::string& group, bool silent) {
  // The new list is built aside and swapped in, so readers never see half of it.
  CCategoryList<CLayoutObject> loaded;
  CLayoutSet set(place_.settings);
  bool complete = true;
  AddBuiltIns(loaded);
  try {
    if (!group.empty()) set.m_strFilter = bx::odbc::LikeCondition(set.Dialect(), "[GRUPPO]", group);
    set.m_strSort = "[CATEGORIA],[ID] asc";
    set.Open();
    std::string previous;
    for (; !set.IsEOF(); set.MoveNext()) {
      CLayoutObject layout = DefaultLayout();
      layout.ReadFromSet(set);
      layout.unusable = layout.UsabilityProblem();
      if (place_.rewriteFiles) layout.SaveFile(place_.applicationFolder);
      if (layout.category.empty()) {
        loaded[layout.params.aspectRatio >= 1.0f ? 0 : 1].items.push_back(layout);
        continue;
      }
      if (layout.category != previous) loaded.push_back({layout.category, {}});
      previous = layout.category;
      loaded.back().items.push_back(layout);
    }
  } catch (const CDBException& error) {
    if (!silent) ShowDatabaseError(error);
    complete = false;
  }
  set.Close();
  std::lock_guard guard(lock_);
  categories_ = std::move(loaded);
  current_ = 0;
  return complete;
}

void CLayoutList::AddCategory(const std::string& name) {
  std::lock_guard guard(lock_);
  categories_.push_back({name, {}});
  current_ = categories_.size() - 1;
}

std::size_t CLayoutList::CategoryCount() const {
  std::lock_guard guard(lock_);
  return categories_.size();
}

std::string CLayoutList::CategoryName(std::size_t category) const {
  std::lock_guard guard(lock_);
  return category < categories_.size() ? categories_[category].name : std::string();
}

void CLayoutList::SetCurrentCategory(std::size_t category) {
  std::lock_guard guard(lock_);
  if (category < categories_.size()) current_ = category;
}

std::size_t CLayoutList::CurrentCategory() const {
  std::lock_guard guard(lock_);
  return current_;
}

std::size_t CLayoutList::Count() const {
  std::lock_guard guard(lock_);
  return current_ < categories_.size() ? categories_[current_].items.size() : 0;
}

CLayoutObject CLayoutList::At(std::size_t index) const {
  std::lock_guard guard(lock_);
  if (current_ < categories_.size() && index < categories_[current_].items.size())
    return categories_[current_].items[index];
  return DefaultLayout();
}

CLayoutObject CLayoutList::FindById(long id) const {
  std::lock_guard guard(lock_);
  for (const auto& category : categories_)
    for (const CLayoutObject& layout : category.items)
      if (layout.id == id) return layout;
  return DefaultLayout();
}

bool CLayoutList::Save(CLayoutObject layout) {
  if (layout.SaveToDb(place_.settings, place_.applicationFolder) < 0) return false;
  layout.unusable = layout.UsabilityProblem();
  std::lock_guard guard(lock_);
  if (current_ >= categories_.size()) return true;
  auto& items = categories_[current_].items;
  for (CLayoutObject& entry : items) {
    if (entry.id != layout.id) continue;
    entry = layout;
    return true;
  }
  items.push_back(layout);
  return true;
}

bool CLayoutList::DeleteAt(std::size_t index) {
  CLayoutObject layout;
  {
    std::lock_guard guard(lock_);
    if (current_ >= categories_.size() || index >= categories_[current_].items.size()) return false;
    layout = categories_[current_].items[index];
  }
  if (layout.id < 0 || !layout.DeleteFromDb(place_.settings, place_.applicationFolder)) return false;
  std::lock_guard guard(lock_);
  auto& items = categories_[current_].items;
  for (auto entry = items.begin(); entry != items.end(); ++entry)
    if (entry->id == layout.id) {
      items.erase(entry);
      break;
    }
  return true;
}

bool CLayoutList::HoldsName(const std::string& layoutName) const {
  std::lock_guard guard(lock_);
  for (const auto& category : categories_)
    for (const CLayoutObject& layout : category.items)
      if (layout.layoutName == layoutName) return true;
  return false;
}

int CLayoutList::ImportFiles() { return ImportFiles(place_.applicationFolder); }

int CLayoutList::ImportFiles(const std::string& folder) {
  std::error_code error;
  const bool own = std::filesystem::equivalent(folder, place_.applicationFolder, error);
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder + "Layout", error))
    if (entry.is_regular_file() && entry.path().extension() == ".xml") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  int stored = 0;
  for (const auto& file : files) {
    CLayoutObject layout = DefaultLayout();
    if (!layout.LoadFile(file.string(), folder)) continue;
    if (!own) {
      if (HoldsName(layout.layoutName)) continue;
      layout.id = -1;
    }
    const long noted = layout.id;
    if (layout.SaveToDb(place_.settings, place_.applicationFolder, true) < 0) continue;
    ++stored;
    if (own && layout.id != noted) std::filesystem::remove(file, error);
  }
  return stored;
}
