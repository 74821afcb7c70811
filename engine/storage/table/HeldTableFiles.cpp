#include "HeldTableFiles.h"

#include "engine/storage/core/EngineError.h"

namespace sklad {

THeldTableFiles::THeldTableFiles(const TTableFileNames& names, bool inMemory) {
  for (int i = 0; i < kTableFileCount; ++i) {
    auto file = std::make_unique<TFileHandler>(names[i], inMemory);
    if (!file->Exists()) continue;
    file->Exclusive = true;
    file->Open();
    FFiles[i] = std::move(file);
  }
}

void THeldTableFiles::Delete(int file) {
  FFiles[file]->DeleteHeld();
  FFiles[file].reset();
}

void THeldTableFiles::RenameAll(const TTableFileNames& newNames) {
  TTableFileNames oldNames;
  int renamed = 0;
  try {
    for (; renamed < kTableFileCount; ++renamed) {
      if (!Holds(renamed)) continue;
      oldNames[renamed] = FFiles[renamed]->FileName();
      FFiles[renamed]->RenameHeld(newNames[renamed]);
    }
  } catch (...) {
    // A step of the undoing that fails leaves the rest to be undone all the same; the first
    // failure is the one reported.
    for (int i = renamed - 1; i >= 0; --i) {
      try {
        if (Holds(i)) FFiles[i]->RenameHeld(oldNames[i]);
      } catch (const ESkladEngineError&) {
      }
    }
    throw;
  }
}

}  // namespace sklad
