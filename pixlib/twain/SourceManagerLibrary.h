#pragma once
// The process-wide source manager library: loaded from $BX_TWAIN_DSM, else
// libbxtwaindsm.so beside the imaging library.

#include <string>

#include "pixlib/twain/TwainTypes.h"

namespace twainapp {

// The path the library is loaded from.
std::string SourceManagerPath();
// Loads it (once) and gives its entry point; null when it cannot be loaded.
DSMENTRYPROC LoadSourceManagerLibrary();
void UnloadSourceManagerLibrary();
DSMENTRYPROC SourceManagerEntry();
// Whether it can be loaded, decided on the first call and kept.
bool SourceManagerAvailable();

}  // namespace twainapp
