#pragma once
// The camera transport the station uses, from the setting "Camera Transport"
// of "Camera Settings": "aravis" (real cameras, the default) or "sim".
#include <string>

#include "platform/ProfileStore.h"

std::string ConfiguredCameraTransport(bx::ProfileStore& profile);
// Hands the configured transport to the SDK's factory. False, with the factory
// unchanged, when the setting names no known transport.
bool SelectConfiguredCameraTransport(bx::ProfileStore& profile);
