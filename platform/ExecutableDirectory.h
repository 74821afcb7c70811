// The directory of the running program file, where the program finds the volume's files.
#pragma once

#include <string>

namespace platform {

// The absolute directory of the executable, always ending with a '/'.
std::string ExecutableDirectory();

}  // namespace platform
