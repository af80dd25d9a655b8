#pragma once
// Enumerations and list types shared by every GenApi node interface.
#include <cstdint>
#include <string>
#include <vector>

namespace GenApi {

using gcstring = std::string;
using gcstring_vector = std::vector<gcstring>;
using StringList_t = gcstring_vector;

enum EAccessMode { NI, NA, WO, RO, RW, _UndefinedAccesMode };
enum EVisibility { Beginner = 0, Expert = 1, Guru = 2, Invisible = 3, _UndefinedVisibility = 99 };
enum EInterfaceType {
  intfIValue,
  intfIBase,
  intfIInteger,
  intfIBoolean,
  intfICommand,
  intfIFloat,
  intfIString,
  intfIRegister,
  intfICategory,
  intfIEnumeration,
  intfIEnumEntry,
  intfIPort
};
enum ECallbackType { cbPostInsideLock = 1, cbPostOutsideLock = 2 };

struct INode;
struct IValue;
using NodeList_t = std::vector<INode*>;
using FeatureList_t = std::vector<IValue*>;

inline bool IsReadable(EAccessMode mode) { return mode == RO || mode == RW; }
inline bool IsWritable(EAccessMode mode) { return mode == WO || mode == RW; }
inline bool IsImplemented(EAccessMode mode) { return mode != NI; }
inline bool IsAvailable(EAccessMode mode) { return mode != NI && mode != NA; }

const char* AccessModeName(EAccessMode mode);  // "NI", "NA", "WO", "RO", "RW"
const char* VisibilityName(EVisibility visibility);
const char* InterfaceTypeName(EInterfaceType type);  // "Integer", "Float", ...

}  // namespace GenApi
