#pragma once
// Programs the camera's lookup table with a gamma curve.
#include "pylon/GenApiNodes.h"

// Needs "LUTSelector", "LUTEnable", "LUTIndex" and "LUTValue"; does nothing
// without them. Every eighth index gets (i / 4095)^gamma of the index range.
void WriteGammaTable(GenApi::INodeMap& nodeMap, double gamma);
