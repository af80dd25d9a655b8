#pragma once
// bxcam list, features, get and set.
#include <ostream>

#include "tools/bxcam/CameraSession.h"

namespace bxcam {

// One line per camera on `out`; none found is said on `err`, with the transport.
void ListCameras(std::ostream& out, std::ostream& err);
void ListFeatures(CameraSession& session, std::ostream& out);
void GetFeature(CameraSession& session, const std::string& name, std::ostream& out);
void SetFeature(CameraSession& session, const std::string& name, const std::string& value);

}  // namespace bxcam
