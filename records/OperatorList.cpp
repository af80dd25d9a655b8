#include "records/OperatorList.h"

#include <sstream>

std::vector<std::string> SplitOperators(const std::string& operators) {
  std::vector<std::string> names;
  std::stringstream stream(operators);
  for (std::string name; std::getline(stream, name, ';');)
    if (!name.empty()) names.push_back(name);
  return names;
}
