#include "pylon/GenApiTypes.h"

namespace GenApi {

const char* AccessModeName(EAccessMode mode) {
  switch (mode) {
    case NI:
      return "NI";
    case NA:
      return "NA";
    case WO:
      return "WO";
    case RO:
      return "RO";
    case RW:
      return "RW";
    default:
      return "undefined";
  }
}

const char* VisibilityName(EVisibility visibility) {
  switch (visibility) {
    case Beginner:
      return "Beginner";
    case Expert:
      return "Expert";
    case Guru:
      return "Guru";
    case Invisible:
      return "Invisible";
    default:
      return "undefined";
  }
}

const char* InterfaceTypeName(EInterfaceType type) {
  switch (type) {
    case intfIInteger:
      return "Integer";
    case intfIBoolean:
      return "Boolean";
    case intfICommand:
      return "Command";
    case intfIFloat:
      return "Float";
    case intfIString:
      return "String";
    case intfIRegister:
      return "Register";
    case intfICategory:
      return "Category";
    case intfIEnumeration:
      return "Enumeration";
    case intfIEnumEntry:
      return "EnumEntry";
    case intfIPort:
      return "Port";
    default:
      return "Value";
  }
}

}  // namespace GenApi
