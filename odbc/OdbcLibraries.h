#pragma once

namespace bx::odbc {

// Keeps the driver manager's configuration library loaded for the life of the
// process. The SQLite driver loads and unloads it around every connection, and
// each unload drops the library's settings cache without freeing it: a station
// connects twice a shot and would leak a few kilobytes each time.
void KeepConfigurationLibraryLoaded();

}  // namespace bx::odbc
