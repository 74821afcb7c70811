// TStatementRunner: the planning and execution of one statement processor — a SELECT's plan, a
// data change or a table definition — as TSqlStatement drives it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace sklad {

class TDataCursor;
class TDataDirectory;
class TDataQuery;

// Called while rows are read: rows processed so far and the percent done; setting abort stops
// reading and keeps the rows produced so far.
using TSqlProgress = std::function<void(int32_t rows, int percent, bool& abort)>;

class TStatementRunner {
 public:
  virtual ~TStatementRunner() = default;
  // Opens what the statement works on and makes the checks that need its tables; raises 11949
  // with the planning message of the first fault.
  virtual void Plan(const std::function<bool()>& passwordCallback) = 0;
  // Runs the statement: the result cursor of a SELECT, null for the other statements.
  virtual TDataCursor* Execute(const TSqlProgress& progress) = 0;
  virtual TDataCursor* Result() const { return nullptr; }
  // Whether the result is a live view on the base table.
  virtual bool Live() const { return false; }
  // Rows of the result, or rows changed, by the last Execute.
  virtual int32_t RowsAffected() const = 0;
};

// The runner for the processor's statement kind.
std::unique_ptr<TStatementRunner> MakeStatementRunner(TDataQuery& query, TDataDirectory& directory);

}  // namespace sklad
