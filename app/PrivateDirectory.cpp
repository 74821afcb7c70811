#include "PrivateDirectory.h"

#include <QDir>

namespace rejstrik {

std::string ChoosePrivateDirectory(const std::string& temporary, const std::string& system) {
  if (!temporary.empty()) return temporary;
  if (!system.empty()) return system;
  return QDir::rootPath().toStdString();
}

std::string PrivateDirectory() {
  const QString system = qEnvironmentVariable("SystemRoot");
  return ChoosePrivateDirectory(QDir::tempPath().toStdString(), system.toStdString());
}

}  // namespace rejstrik
