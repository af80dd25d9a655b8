#pragma once
// Letting go of a camera that stopped answering.
#include <arv.h>

namespace Pylon {

// Drops the last reference to `camera` on a thread of its own. Aravis spends
// seconds asking a camera that no longer answers to take back its control
// before it lets go, and the loss is reported and a reconnect started
// meanwhile. Releases still running when the program ends are waited for.
void ReleaseLostCamera(ArvCamera* camera);

}  // namespace Pylon
