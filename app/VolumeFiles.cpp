#include "VolumeFiles.h"

#include "platform/ExecutableDirectory.h"

namespace rejstrik {
namespace {

std::string& ProgramDirectoryOverride() {
  static std::string directory;
  return directory;
}

}  // namespace

std::string VolumeDirectory() {
  std::string base = ProgramDirectoryOverride();
  if (base.empty()) base = platform::ExecutableDirectory();
  if (base.back() != '/') base += '/';
  return base + "obsahy/rocnik/";
}

std::string IniFileName() { return VolumeDirectory() + "rocnik.ini"; }

std::string HelpFileName() { return VolumeDirectory() + "help.txt"; }

void SetProgramDirectory(const std::string& directory) { ProgramDirectoryOverride() = directory; }

}  // namespace rejstrik
