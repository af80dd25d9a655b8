#pragma once
// Named access to a SANE device's options, values given as text.

#include <sane/sane.h>

#include <string>
#include <vector>

namespace twainsane {

class SaneOptions {
 public:
  explicit SaneOptions(SANE_Handle handle) : m_handle(handle) {}
  // Sets option `name` from text (yes/no for switches, numbers in the
  // option's unit); false when it does not exist, is inactive or refuses.
  bool Set(const std::string& name, const std::string& value);
  // The current value as text; empty when there is no such option.
  std::string Get(const std::string& name) const;
  // The current value of a number option, in its unit; 0 when there is none.
  double Number(const std::string& name) const;
  // The strings an option may take (empty for other constraints).
  std::vector<std::string> Choices(const std::string& name) const;

 private:
  int Find(const std::string& name, const SANE_Option_Descriptor** descriptor) const;
  SANE_Handle m_handle;
};

}  // namespace twainsane
