// Choice of the camera's pixel format for the requested pixel type.
#include <algorithm>

#include "camera/GenPylonCamera.h"

using namespace Pylon;

namespace {

constexpr uint32_t kMonoBit = 0x01000000;
constexpr uint32_t kColourBit = 0x02000000;

bool MatchesByKind(EPixelType requested, EPixelType candidate) {
  if (BitPerPixel(requested) != BitPerPixel(candidate)) return false;
  if (IsBayer(requested)) return IsBayer(candidate);
  return (requested & candidate & kMonoBit) != 0 || (requested & candidate & kColourBit) != 0;
}

std::vector<GenApi::CEnumEntryPtr> AvailableEntries(GenApi::IEnumeration& format) {
  GenApi::NodeList_t nodes;
  format.GetEntries(nodes);
  std::vector<GenApi::CEnumEntryPtr> entries;
  for (GenApi::INode* node : nodes) {
    GenApi::CEnumEntryPtr entry(node);
    if (entry.IsValid() && GenApi::IsAvailable(entry->GetAccessMode())) entries.push_back(entry);
  }
  return entries;
}

}  // namespace

// The exact type when the camera offers it, else the first of the same kind and
// depth; when nothing matches, the last entry inspected is written all the same.
void CGenPylonCamera::SelectPixelFormat() {
  GenApi::CEnumerationPtr format(m_nodeMap ? m_nodeMap->GetNode("PixelFormat") : nullptr);
  const std::vector<GenApi::CEnumEntryPtr> entries = AvailableEntries(*format);
  if (entries.empty()) return;
  auto chosen = std::find_if(entries.begin(), entries.end(), [this](const auto& entry) {
    return entry->GetValue() == int64_t(m_requestedPixelType);
  });
  if (chosen == entries.end()) {
    chosen = std::find_if(entries.begin(), entries.end(), [this](const auto& entry) {
      return MatchesByKind(m_requestedPixelType, EPixelType(entry->GetValue()));
    });
    if (chosen == entries.end()) chosen = entries.end() - 1;
  }
  const int64_t value = (*chosen)->GetValue();
  format->SetIntValue(value);
  m_cameraPixelType = EPixelType(value);
}
