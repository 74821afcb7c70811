// The private directory of the engine session, where its temporary result tables go.
#pragma once

#include <string>

namespace rejstrik {

// The temporary-files directory; when the system reports none, the system directory; when that
// is unknown too, the root of the file system.
std::string ChoosePrivateDirectory(const std::string& temporary, const std::string& system);

// The choice for this machine.
std::string PrivateDirectory();

}  // namespace rejstrik
