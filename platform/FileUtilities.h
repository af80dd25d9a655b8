#pragma once

#include <string>

// Creates every folder of `path`, one level at a time; a leading "//" is kept as the
// root of the path. Errors are ignored.
void CreateFullPath(const std::string& path);

// The folder of the running executable with a trailing "/", or "./" when unknown.
std::string ExecutableFolder();

// Privileges do not exist here: every request succeeds.
bool EnablePrivilege(const std::string& name);
