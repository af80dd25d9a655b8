#pragma once
// Everything a camera client uses: the SDK's devices, grabbing and node maps.
#include "pylon/BayerConverter.h"
#include "pylon/DeviceInfo.h"
#include "pylon/GenericException.h"
#include "pylon/GrabResult.h"
#include "pylon/NodeCallback.h"
#include "pylon/NodePointer.h"
#include "pylon/PixelType.h"
#include "pylon/PylonDevice.h"
#include "pylon/PylonInitialize.h"
#include "pylon/StreamGrabber.h"
#include "pylon/TlFactory.h"
#include "pylon/WaitObject.h"
