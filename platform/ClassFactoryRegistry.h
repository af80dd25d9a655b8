#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace bx {

// Base of every object that can be created from its class name.
class DynamicObject {
 public:
  virtual ~DynamicObject() = default;
};

// Factories keyed by class name (exact comparison).
//
// Registration is explicit: each library that offers classes by name has a
// registration function that registers them with BX_REGISTER_CLASS, and the code
// that creates objects by name calls it first. Registering again is harmless. This
// keeps registrations from being dropped when a library is linked statically: the
// linker leaves out object files nobody refers to, so self-registering static
// objects in them would silently never run.
class ClassFactoryRegistry {
 public:
  using Factory = std::function<std::unique_ptr<DynamicObject>()>;

  static ClassFactoryRegistry& Instance();

  void Register(const std::string& className, Factory factory);
  bool IsRegistered(const std::string& className) const;
  // Null when the class is unknown or its factory fails (returns null or throws).
  std::unique_ptr<DynamicObject> Create(const std::string& className) const;

  template <class T>
  void Register(const std::string& className) {
    Register(className, [] { return std::unique_ptr<DynamicObject>(std::make_unique<T>()); });
  }

 private:
  mutable std::mutex mutex_;
  std::map<std::string, Factory> factories_;
};

}  // namespace bx

// Registers a default-constructible class under its own (qualified, as written) name.
#define BX_REGISTER_CLASS(ClassName) ::bx::ClassFactoryRegistry::Instance().Register<ClassName>(#ClassName)
// Registers a default-constructible class under a given name.
#define BX_REGISTER_CLASS_AS(ClassName, name) ::bx::ClassFactoryRegistry::Instance().Register<ClassName>(name)
