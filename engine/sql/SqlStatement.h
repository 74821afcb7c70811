// TSqlStatement: one SQL text prepared on a database directory and executed there — what the
// dataset layer's query component works through. It owns its source cursors and its result.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "StatementRunner.h"
#include "engine/storage/core/FieldTypes.h"

namespace sklad {

class TDataCursor;
class TDataDirectory;
class TQueryStatement;

// How a statement is prepared and executed.
struct TSqlStatementOptions {
  // Ask for a live result: a filtered view on the base table's cursor, edits going to the table.
  bool RequestLive = false;
  // The most rows a copied result holds; -1 for no limit. A live result is never cut.
  int32_t MaxRowCount = -1;
  // Asked while the session lacks the password of a source table; answers true when it has given
  // the session a password to try.
  std::function<bool()> PasswordCallback;
};

// The value of one `?` marker.
struct TSqlParameter {
  int Number = 0;     // 1-based position among the markers
  std::string Name;   // the dataset's parameter name; informational
  TFieldType Type = TFieldType::String;
  int Size = 0;       // bytes of Value (strings: the text without its terminating zero)
  int Scale = 0;      // BCD values
  bool IsNull = true;
  std::vector<uint8_t> Value;  // the value in the engine's field encoding (strings as their bytes)
};

class TSqlStatement {
 public:
  TSqlStatement(TDataDirectory& directory, std::string text, TSqlStatementOptions options = {});
  ~TSqlStatement();
  TSqlStatement(const TSqlStatement&) = delete;
  TSqlStatement& operator=(const TSqlStatement&) = delete;

  // Parses and plans the text: source tables are opened, the select list resolved and the result
  // kind decided. Every fault of the text is engine error 11949 "SQL error - %s"; opening a
  // table reports the cursor's own errors. A failed prepare leaves the statement unusable.
  void Prepare();
  bool Prepared() const { return FPrepared; }
  // Characters of the text the statement took (a further statement after `;` is not read).
  size_t ConsumedLength() const { return FConsumed; }

  // Acts on the next execution.
  void SetMaxRowCount(int32_t count) { FOptions.MaxRowCount = count; }
  // One value per `?` marker, in the markers' order; 11949 "Internal parameter error" for a
  // value beyond the markers.
  void BindParameters(const std::vector<TSqlParameter>& values);
  void SetProgress(TSqlProgress progress) { FProgress = std::move(progress); }

  // Runs the prepared statement; answers the result cursor (owned by the statement), or null for
  // statements without a result. May run again; each run rebuilds the result.
  TDataCursor* Execute();
  TDataCursor* Result() const;
  // Whether the result is a live view on the base table (known after Prepare).
  bool ResultIsLive() const;
  // Rows of the result (SELECT) or rows changed, after Execute.
  int32_t RowsAffected() const { return FRowsAffected; }
  // Seconds the last execution took.
  double ExecutionTime() const { return FExecutionTime; }

  const std::string& Text() const { return FText; }
  TDataDirectory& Directory() const { return FDirectory; }

 private:
  TDataDirectory& FDirectory;
  std::string FText;
  TSqlStatementOptions FOptions;
  TSqlProgress FProgress;
  std::unique_ptr<TQueryStatement> FStatement;
  std::unique_ptr<TStatementRunner> FPlan;
  bool FPrepared = false;
  size_t FConsumed = 0;
  int32_t FRowsAffected = 0;
  double FExecutionTime = 0;
};

}  // namespace sklad
