#include "camera/CameraTransport.h"

#include "pylon/TlFactory.h"

namespace {
const char* const kCameraSettings = "Camera Settings";
const char* const kCameraTransport = "Camera Transport";
const char* const kDefaultTransport = "aravis";
}  // namespace

std::string ConfiguredCameraTransport(bx::ProfileStore& profile) {
  if (!profile.Find(kCameraSettings, kCameraTransport))
    profile.WriteString(kCameraSettings, kCameraTransport, kDefaultTransport);
  return profile.GetString(kCameraSettings, kCameraTransport, kDefaultTransport);
}

bool SelectConfiguredCameraTransport(bx::ProfileStore& profile) {
  try {
    Pylon::CTlFactory::GetInstance().SelectTransport(ConfiguredCameraTransport(profile));
    return true;
  } catch (const GenICam::GenericException&) {
    return false;
  }
}
