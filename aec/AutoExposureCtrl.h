#pragma once
// The exposure controller: runs the chosen algorithm on every delivered frame,
// limits its result to the shutter range and writes it to the camera. It also
// keeps and brings back the camera's exposure and gain around live mode, offers
// its settings to the property grid and stores them in XML under "AEC".
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "aec/AutoExposure.h"
#include "aec/RawValueNode.h"
#include "pylon/NodePointer.h"

namespace AEC {

// The controller's settings; they exist twice, current and kept for Restore.
struct CExposureSettings {
  int m_type = -1;       // -1 none, else an index into the algorithms
  int m_shutterMin = 0;  // limits of the written exposure, "ExposureTimeRaw" units
  int m_shutterMax = 4095;
  int m_gainRef = 511;  // recomputed from the gain range when the property list is built
  int m_gainMin = 0;
  int m_gainMax = 1023;
  int m_overLevel = 245;  // grey level from which a pixel counts as overexposed
  int m_underLevel = 20;  // grey level up to which a pixel counts as underexposed
};

class CAutoExposureCtrl {
 public:
  // Creates the algorithms by class name, skipping unknown classes.
  CAutoExposureCtrl();
  virtual ~CAutoExposureCtrl();
  CAutoExposureCtrl(const CAutoExposureCtrl&) = delete;
  CAutoExposureCtrl& operator=(const CAutoExposureCtrl&) = delete;

  // Every operation holds the controller's own lock: Run on the grab thread
  // never sees the nodes or settings half changed by the dialog thread.
  // Computes and writes the exposure for one delivered frame.
  virtual void Run(IplImage* image);

  // Binds the camera's exposure and gain nodes, null unbinds them. The
  // exposure is "ExposureTimeRaw", else "ExposureTime" or "ExposureTimeAbs"
  // in microseconds; the gain "GainRaw", else the float "Gain" in dB; values
  // stay in raw units either way. The shutter and gain limits are kept
  // within the bound nodes' ranges.
  void BindNodes(GenApi::INodeMap* nodeMap);
  // Which nodes are bound, for the log: "exposure ExposureTimeAbs, gain GainRaw".
  std::string BoundNodes() const;
  // Binds the nodes (as BindNodes) and adds the settings of the controller
  // and of the selected algorithm to `list`.
  void GetProperties(IPropertyHost* camera, GenApi::INodeMap* nodeMap, CPropertyList& list);
  // The grid writes the settings directly: every change is accepted and every
  // setting enabled. Both report the id as handled.
  bool OnPropertyChanged(const void* id, bool& result);
  bool IsPropertyEnabled(const void* id, bool& result);

  bool Load(const TiXmlElement& element);
  bool Save(TiXmlElement& element);

  void Snapshot();
  void Restore();
  void MaximiseGain();
  // "Type" while frames arrive: -1 none, else an algorithm's index.
  void SelectAlgorithm(int type);

  const std::vector<std::unique_ptr<CAutoExposure>>& Algorithms() const { return m_algorithms; }

  CExposureSettings m_settings;

 private:
  struct Range {
    int min;
    int max;
  };

  CAutoExposure* SelectedAlgorithm() const;
  void BindAndLimit(GenApi::INodeMap* nodeMap);
  // Keeps the shutter and gain limits within the bound nodes' ranges (the defaults without nodes).
  void LimitSettings();
  Range ShutterRange() const;
  Range GainRange();
  void AddShutterRange(CPropertyList& list, IPropertyHost* camera);
  void AddGainRange(CPropertyList& list, IPropertyHost* camera);
  void SelectAllGains();
  bool HasGainNodes() const { return m_gainNode.IsValid() && m_gainSelectorNode.IsValid(); }

  mutable std::mutex m_lock;
  CRawValueNode m_exposureNode;
  GenApi::CEnumerationPtr m_gainSelectorNode;
  CRawValueNode m_gainNode;
  std::vector<std::unique_ptr<CAutoExposure>> m_algorithms;
  std::optional<CExposureSettings> m_keptSettings;  // set by Snapshot
  std::optional<int64_t> m_keptGain;
  std::optional<int64_t> m_keptExposure;
};

}  // namespace AEC
