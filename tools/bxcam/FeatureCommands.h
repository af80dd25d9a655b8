#pragma once
// bxcam list, features, get and set.
#include <ostream>

#include "tools/bxcam/CameraSession.h"

namespace bxcam {

void ListCameras(std::ostream& out);
void ListFeatures(CameraSession& session, std::ostream& out);
void GetFeature(CameraSession& session, const std::string& name, std::ostream& out);
void SetFeature(CameraSession& session, const std::string& name, const std::string& value);

} // namespace bxcam
