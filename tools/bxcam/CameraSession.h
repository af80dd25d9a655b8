#pragma once
// The device bxcam works on: created, opened and destroyed with the object.
#include "pylon/PylonIncludes.h"
#include "tools/bxcam/Options.h"

namespace bxcam {

class CameraSession {
 public:
  // Raises GenICam::RuntimeException when the camera does not exist.
  explicit CameraSession(const Options& options);
  ~CameraSession();
  CameraSession(const CameraSession&) = delete;
  CameraSession& operator=(const CameraSession&) = delete;

  Pylon::IPylonDevice& Device() { return *m_device; }
  GenApi::INodeMap& Nodes() { return *m_device->GetNodeMap(); }
  // The feature by name; raises InvalidArgumentException when it does not exist.
  GenApi::INode& Feature(const std::string& name);

 private:
  Pylon::IPylonDevice* m_device = nullptr;
};

}  // namespace bxcam
