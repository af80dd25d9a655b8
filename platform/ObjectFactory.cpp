#include "platform/ObjectFactory.h"

#include "platform/MessageSink.h"

bool CreateObjectByName(const std::string& className, std::unique_ptr<bx::DynamicObject>& object) {
  object.reset();
  const auto& registry = bx::ClassFactoryRegistry::Instance();
  if (!registry.IsRegistered(className)) {
    bx::ShowMessage("Configuration error: Cannot find runtime class '" + className +
                    "'. Please add the file with this class to the project or add "
                    "DECLARE_SERIAL/IMPLEMENT_SERIAL to the class");
    return false;
  }
  object = registry.Create(className);
  if (!object) {
    ReportUncreatableClass(className);
    return false;
  }
  return true;
}

void ReportUncreatableClass(const std::string& className) {
  bx::ShowMessage("Internal error: Cannot instantiate object for runtime class '" + className + "'");
}
