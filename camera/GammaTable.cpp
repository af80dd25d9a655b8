#include "camera/GammaTable.h"

#include <algorithm>
#include <cmath>

#include "pylon/NodePointer.h"

void WriteGammaTable(GenApi::INodeMap& nodeMap, double gamma) {
  GenApi::CEnumerationPtr selector(nodeMap.GetNode("LUTSelector"));
  GenApi::CBooleanPtr enable(nodeMap.GetNode("LUTEnable"));
  GenApi::CIntegerPtr index(nodeMap.GetNode("LUTIndex"));
  GenApi::CIntegerPtr value(nodeMap.GetNode("LUTValue"));
  if (!selector.IsValid() || !enable.IsValid() || !index.IsValid() || !value.IsValid()) return;
  selector->SetIntValue(0);
  enable->SetValue(true);
  const int64_t minimum = index->GetMin();
  const int64_t maximum = index->GetMax();
  for (int64_t i = minimum; i < maximum && i < 4096; i += 8) {
    const double level = std::pow(double(i) / 4095.0, gamma) * double(maximum) + 0.5;
    index->SetValue(i);
    value->SetValue(int64_t(std::clamp(level, double(minimum), double(maximum))));
  }
}
