#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One icon placed on a composition: its image and its position, zoom and
// rotation in the units of the layout parameters.
struct CIconParams {
  std::string name;
  std::int32_t x = 0, y = 0, rotation = 0, zoom = 0;
};
using CIconParamsList = std::vector<CIconParams>;

// The icons of an icon list "name;x;y;zoom;rotation|...": pieces with exactly
// five fields, in order; other pieces are skipped and a number that does not
// read counts as 0. When the list holds no piece at all and a single icon is
// named, that icon alone.
CIconParamsList ParseIconList(const std::string& page, const CIconParams& singleIcon);
