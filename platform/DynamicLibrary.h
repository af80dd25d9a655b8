#pragma once

#include <string>

namespace bx {

// A shared library loaded with dlopen and closed when the object goes away.
class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  explicit DynamicLibrary(const std::string& path) { Open(path); }
  ~DynamicLibrary();
  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // Loads the library (closing any loaded before); false with Error() set on failure.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }
  const std::string& Error() const { return error_; }

  // The address of an exported symbol, or null.
  void* FindSymbol(const std::string& name) const;
  template <class Function>
  Function* Find(const std::string& name) const {
    return reinterpret_cast<Function*>(FindSymbol(name));
  }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

}  // namespace bx
