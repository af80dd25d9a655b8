#pragma once
// A camera node map with the nodes the exposure controller binds: exposure,
// and optionally a gain governed by a selector with the entries "All" and "Red".
#include "pylon/MemoryNodes.h"

class CTestCamera {
 public:
  explicit CTestCamera(bool withGainSelector = true) {
    m_exposure = &m_nodes.Add<GenApi::CMemoryInteger>("ExposureTimeRaw", 1, 8000, 1000);
    m_gain = &m_nodes.Add<GenApi::CMemoryInteger>("GainRaw", 10, 500, 100);
    if (withGainSelector) {
      m_gainSelector = &m_nodes.Add<GenApi::CMemoryEnumeration>("GainSelector");
      m_gainSelector->AddEntry("All", 0);
      m_gainSelector->AddEntry("Red", 1);
      m_gainSelector->AddSelected(*m_gain);
    }
  }

  GenApi::INodeMap* NodeMap() { return &m_nodes; }
  GenApi::CMemoryInteger& Exposure() { return *m_exposure; }
  GenApi::CMemoryInteger& Gain() { return *m_gain; }
  GenApi::CMemoryEnumeration& GainSelector() { return *m_gainSelector; }

 private:
  GenApi::CNodeMapBase m_nodes{"TestCamera"};
  GenApi::CMemoryInteger* m_exposure = nullptr;
  GenApi::CMemoryInteger* m_gain = nullptr;
  GenApi::CMemoryEnumeration* m_gainSelector = nullptr;
};
