// Helpers for the data file tests: in-memory tables made by our own code, raw access to their
// bytes, a table owner whose state a test controls, and the expectation of an engine error.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/storage/data/DataFile.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/data/FieldDefinition.h"
#include "engine/storage/file/FileHandler.h"

namespace sklad::testing {

// A name no other test uses, for an in-memory file.
inline std::string UniqueTableName(const std::string& stem) {
  static std::atomic<int> counter{0};
  return stem + std::to_string(++counter) + ".DAT";
}

inline TSystemList<TFieldDefinition> FieldList(std::initializer_list<TFieldDefinition> fields) {
  TSystemList<TFieldDefinition> list;
  for (const TFieldDefinition& field : fields) list.Add(field);
  return list;
}

// Creates the table and writes its header and definitions, leaving the file closed.
inline void CreateTable(const std::string& name, const TSystemList<TFieldDefinition>& fields,
                        const TTableProperties& properties = {}) {
  TDataFile file(name, true);
  file.Create(properties, fields);
  file.WriteHeader(true);
  file.WriteFieldDefinitions();
  file.Close();
}

inline std::vector<uint8_t> FileBytes(const std::string& name) {
  TFileHandler handler(name, true);
  handler.Open();
  std::vector<uint8_t> bytes(static_cast<size_t>(handler.GetSize()));
  if (!bytes.empty()) handler.ReadAt(0, bytes.data(), static_cast<int32_t>(bytes.size()));
  return bytes;
}

// Replaces the file's whole content, making the file when there is none.
inline void SetFileBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
  TFileHandler handler(name, true);
  if (handler.Exists())
    handler.Open();
  else
    handler.CreateNew();
  handler.WriteAt(0, nullptr, 0);
  if (!bytes.empty()) handler.WriteAt(0, bytes.data(), static_cast<int32_t>(bytes.size()));
}

inline void DeleteFile(const std::string& name) {
  TFileHandler handler(name, true);
  if (handler.Exists()) handler.Delete();
}

// Runs the action and answers the engine error code it raised, 0 when it raised none.
inline int EngineErrorCode(const std::function<void()>& action) {
  try {
    action();
  } catch (const ESkladEngineError& error) {
    return error.Code();
  }
  return 0;
}

// A table owner whose answers the test sets, counting the read locks asked for. The cache asks
// whether a transaction is open each time it looks for a record to evict; a test may cap those
// questions, so that a cache that never finds room fails the test instead of hanging it.
class TTestOwner : public TDataFileOwner {
 public:
  bool BeginCacheMissRead() override {
    ++ReadLocks;
    return ReportChange;
  }
  bool StrictChangeDetection() const override { return Strict; }
  bool ForceBufferFlush() const override { return false; }
  bool Exclusive() const override { return IsExclusive; }
  bool InTransaction() const override {
    if (TransactionQuestionLimit > 0 && ++TransactionQuestions > TransactionQuestionLimit)
      throw std::runtime_error("the record cache kept looking for room without end");
    return Transaction;
  }
  bool WrittenTo() const override { return Written; }
  void MarkWrittenTo() override { Written = true; }
  bool HasPrimaryKey() const override { return PrimaryKey; }

  int ReadLocks = 0;
  bool ReportChange = false;
  bool Strict = false;
  bool IsExclusive = true;
  bool Transaction = false;
  bool Written = false;
  bool PrimaryKey = true;
  int64_t TransactionQuestionLimit = 0;  // 0: no cap
  mutable int64_t TransactionQuestions = 0;
};

}  // namespace sklad::testing
