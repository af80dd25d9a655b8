#pragma once
// The exposure controller: runs the chosen algorithm on every delivered frame,
// limits its result to the shutter range and writes it to the camera. It also
// keeps and brings back the camera's exposure and gain around live mode, offers
// its settings to the property grid and stores them in XML under "AEC".
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "aec/AutoExposure.h"
#include "pylon/NodePointer.h"

namespace AEC {

// The controller's settings; they exist twice, current and kept for Restore.
struct CExposureSettings {
    int m_type = -1;        // -1 none, else an index into the algorithms
    int m_shutterMin = 0;   // limits of the written exposure, "ExposureTimeRaw" units
    int m_shutterMax = 4095;
    int m_gainRef = 511;    // recomputed from the gain range when the property list is built
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

    // Computes and writes the exposure for one delivered frame.
    virtual void Run(IplImage* image);

    // Binds the camera's exposure and gain nodes (none without a node map) and
    // adds the settings of the controller and of every algorithm to `list`.
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

    const std::vector<std::unique_ptr<CAutoExposure>>& Algorithms() const { return m_algorithms; }

    CExposureSettings m_settings;

private:
    CAutoExposure* SelectedAlgorithm() const;
    void BindNodes(GenApi::INodeMap* nodeMap);
    void LimitShutterRange(CPropertyList& list, IPropertyHost* camera);
    void LimitGainRange(CPropertyList& list, IPropertyHost* camera);
    void SelectAllGains();

    GenApi::CIntegerPtr m_exposureNode;
    GenApi::CEnumerationPtr m_gainSelectorNode;
    GenApi::CIntegerPtr m_gainNode;
    std::vector<std::unique_ptr<CAutoExposure>> m_algorithms;
    std::optional<CExposureSettings> m_keptSettings; // set by Snapshot
    std::optional<int64_t> m_keptGain;
    std::optional<int64_t> m_keptExposure;
};

} // namespace AEC
