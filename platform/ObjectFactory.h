#pragma once

#include <memory>
#include <string>

#include "platform/ClassFactoryRegistry.h"

// Creates an object of the registered class named `className` (exact comparison).
// An unknown class or a failed creation shows its message through the message sink
// and returns false, leaving `object` empty.
bool CreateObjectByName(const std::string& className, std::unique_ptr<bx::DynamicObject>& object);

// The message for a registered class whose object could not be made (or is not
// of the kind the caller needs).
void ReportUncreatableClass(const std::string& className);
