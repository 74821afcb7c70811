#include "DataSession.h"

#include <filesystem>

#include "DataDirectory.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageMaps.h"
#include "TableNames.h"

namespace sklad {
namespace {

constexpr const char* kMemoryDatabase = "MEMORY";

std::string CurrentDirectory() {
  std::error_code error;
  const std::filesystem::path current = std::filesystem::current_path(error);
  return error ? std::string() : DirectoryPath(current.string());
}

// The name under which every user of a directory knows it: the full, normalised path.
std::string UniversalPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
  return error ? path : DirectoryPath(full.string());
}

}  // namespace

TDataSession::TDataSession() : LanguageId(DefaultSessionLanguage()), FDefaultDirectory(CurrentDirectory()) {}

TDataSession::~TDataSession() {
  while (FDirectories.Count() > 0) FDirectories.Delete(FDirectories.Count() - 1);
  FPasswords.Clear();
}

void TDataSession::SetPrivateDirectory(std::string_view directory) {
  const std::string path = DirectoryPath(directory);
  if (!path.empty()) FPrivateDirectory = path;
}

const std::string& TDataSession::TemporaryDirectory() const {
  return FPrivateDirectory.empty() ? FDefaultDirectory : FPrivateDirectory;
}

void TDataSession::AddPassword(std::string_view password) {
  if (password.empty() || PasswordKnown(password)) return;
  FPasswords.Add(std::string(password));
}

void TDataSession::RemovePassword(std::string_view password) {
  for (int i = 0; i < FPasswords.Count(); ++i)
    if (FPasswords[i] == password) {
      FPasswords.Delete(i);
      return;
    }
}

bool TDataSession::PasswordKnown(std::string_view password) const {
  for (const std::string& known : FPasswords)
    if (known == password) return true;
  return false;
}

TDataDirectory* TDataSession::OpenDirectory(std::string_view databaseName, std::string_view path) {
  const bool inMemory = SameName(databaseName, kMemoryDatabase);
  std::string directoryPath, universal;
  if (!inMemory) {
    directoryPath = DirectoryPath(path);
    if (directoryPath.empty()) directoryPath = FDefaultDirectory;
    universal = UniversalPath(directoryPath);
  }
  for (const std::unique_ptr<TDataDirectory>& directory : FDirectories)
    if (directory->InMemory() == inMemory && SameName(directory->UniversalPath(), universal)) {
      directory->AddReference();
      return directory.get();
    }
  FDirectories.Add(std::make_unique<TDataDirectory>(*this, TrimmedName(databaseName), directoryPath, universal, inMemory));
  return FDirectories.Last().get();
}

int TDataSession::CloseDirectory(TDataDirectory* directory) {
  for (int i = 0; i < FDirectories.Count(); ++i)
    if (FDirectories[i].get() == directory) {
      if (directory->ReleaseReference() == 0) FDirectories.Delete(i);
      return 0;
    }
  return -static_cast<int>(err::AccessDenied);
}

}  // namespace sklad
