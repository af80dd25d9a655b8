#pragma once

#include <string>

// Turns "//host/share/rest" (or with "\" separators) naming this computer into the
// share's local folder followed by the rest. Shares are those of the Samba
// configuration: the file named by $BX_SHARES_FILE, else /etc/samba/smb.conf, where
// each share is a "[name]" section with a "path = folder" line. Any other path, another
// host or an unknown share gives the path unchanged.
std::string LocalPathFromUnc(const std::string& path);

// The same with the host name and share file given.
std::string LocalPathFromUnc(const std::string& path, const std::string& hostName,
                             const std::string& sharesFile);
