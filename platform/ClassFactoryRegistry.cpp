#include "platform/ClassFactoryRegistry.h"

namespace bx {

ClassFactoryRegistry& ClassFactoryRegistry::Instance() {
  static ClassFactoryRegistry registry;
  return registry;
}

void ClassFactoryRegistry::Register(const std::string& className, Factory factory) {
  std::lock_guard<std::mutex> guard(mutex_);
  factories_[className] = std::move(factory);
}

bool ClassFactoryRegistry::IsRegistered(const std::string& className) const {
  std::lock_guard<std::mutex> guard(mutex_);
  return factories_.count(className) != 0;
}

std::unique_ptr<DynamicObject> ClassFactoryRegistry::Create(const std::string& className) const {
  Factory factory;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    const auto it = factories_.find(className);
    if (it == factories_.end()) return nullptr;
    factory = it->second;
  }
  try {
    return factory();
  } catch (...) {
    return nullptr;
  }
}

}  // namespace bx
