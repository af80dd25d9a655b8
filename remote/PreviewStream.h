#pragma once

#include "remote/PreviewFrames.h"
#include "remote/Router.h"

namespace remote {

// The live picture as "multipart/x-mixed-replace" JPEG frames at
// "/api/v1/preview.mjpg"; each viewer sends the newest encoded frame when it
// is ready for one.
void AddPreviewRoute(Router& router, PreviewFrames& frames);

}  // namespace remote
