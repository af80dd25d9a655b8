#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "layout/CLayoutObject.h"
#include "odbc/DatabaseSettings.h"

// A name and its layouts, in list order.
template <typename Element>
struct CCategory {
  std::string name;
  std::vector<Element> items;
};
template <typename Element>
using CCategoryList = std::vector<CCategory<Element>>;

// The layouts the operator chooses from, grouped into categories: first the
// built-in "Horizontal" and "Vertical", each with a default layout, then one per
// CATEGORIA of the table. Shared by the processing thread and the UI: every
// operation takes the list's lock and hands out copies.
class CLayoutList {
 public:
  static constexpr long kHorizontalId = -2;
  static constexpr long kVerticalId = -3;
  // The names the operator sees for the built-in layouts (the photo alone).
  static constexpr const char* kHorizontalName = "Plain horizontal";
  static constexpr const char* kVerticalName = "Plain vertical";

  struct Place {
    DatabaseSettings settings;
    std::string applicationFolder;  // see bx::layout::ApplicationFolder
    float defaultAspectRatio = CProcessedImage::kDefaultAspectRatio;
    bool rewriteFiles = true;  // Load writes each layout's file, as the station keeps them
  };

  explicit CLayoutList(Place place);

  // Rebuilds the list from the table (only the group when one is given) and rewrites
  // each layout's file. False after a database error (shown unless silent); the list
  // then keeps what was read.
  bool Load(const std::string& group, bool silent);
  void AddCategory(const std::string& name);
  std::size_t CategoryCount() const;
  std::string CategoryName(std::size_t category) const;
  void SetCurrentCategory(std::size_t category);
  std::size_t CurrentCategory() const;
  // The layouts of the current category; out of range: a default layout (id -1).
  std::size_t Count() const;
  CLayoutObject At(std::size_t index) const;
  // The first layout with the id in any category, or a default layout.
  CLayoutObject FindById(long id) const;
  // A new layout (id -1) joins the current category; a stored one replaces its entry
  // there (or joins it). Then its row and file are written.
  bool Save(CLayoutObject layout);
  bool DeleteAt(std::size_t index);
  // Stores the layout files of the application folder; a file that received a new
  // id is removed (the layout now lives under the new one). The number stored.
  int ImportFiles();
  // Stores the layout files of another installation's folder ("<folder>Layout/",
  // "<AP>" in them standing for the folder), such as the sample layouts: each
  // becomes a new layout of this table, as its id is not this table's, and the
  // files stay. A layout whose name the list already holds is skipped, so a set
  // imported twice is stored once. The number stored.
  int ImportFiles(const std::string& folder);
  const std::string& ApplicationFolder() const { return place_.applicationFolder; }

 private:
  CLayoutObject DefaultLayout() const;
  void AddBuiltIns(CCategoryList<CLayoutObject>& categories) const;
  bool HoldsName(const std::string& layoutName) const;

  Place place_;
  CCategoryList<CLayoutObject> categories_;
  std::size_t current_ = 0;
  mutable std::mutex lock_;
};
