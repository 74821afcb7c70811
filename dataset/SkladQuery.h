// TSkladQuery: the dataset whose cursor comes from SQL text — kept as lines, scanned for named
// parameters, prepared as a statement on the query's database, bound and executed at open.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "DataSource.h"
#include "SkladDBDataSet.h"
#include "SkladParams.h"
#include "SqlLines.h"

namespace sklad {

class TDataSource;
class TSqlStatement;

class TSkladQuery : public TSkladDBDataSet {
 public:
  // Rows read so far and the percent done; setting abort stops the query with the rows read.
  using TQueryProgressEvent =
      std::function<void(TSkladQuery& sender, int32_t currentRecord, int16_t percentDone, bool& abortQuery)>;

  TSkladQuery();
  ~TSkladQuery() override;

  std::string_view EngineVersion() const;

  // Every change of the lines closes and unprepares the query and, with ParamCheck, scans the
  // text for parameters again (parameters whose names stay keep their values).
  TSqlLines& SQL() { return FSql; }
  const TSqlLines& SQL() const { return FSql; }
  // All lines at once, as one change; nothing happens when the joined text is the same.
  void SetSQL(const std::vector<std::string>& lines);
  // The text the engine receives: the lines joined, each parameter a "?".
  const std::string& Text() const { return FText; }

  bool ParamCheck() const { return FParamCheck; }
  void SetParamCheck(bool value) { FParamCheck = value; }
  TSkladParams& Params() { return FParams; }
  const TSkladParams& Params() const { return FParams; }
  // Copies the values of the parameters of the same names.
  void SetParams(const TSkladParams& params) { FParams.AssignValues(params); }
  TSkladParam& ParamByName(std::string_view name) { return FParams.ParamByName(name); }

  // The master: at open, parameters not set by hand take the values of its current record's
  // fields of the same names, and an open query is opened again whenever the master moves.
  // "Circular datalinks are not allowed" for a source of this query itself.
  TDataSource* DataSource() const { return FMaster; }
  void SetDataSource(TDataSource* source);

  // Asks the engine for a live view of the table; refused on an open query, unprepares a
  // prepared one.
  bool RequestLive() const { return FRequestLive; }
  void SetRequestLive(bool value);
  // The most rows a copied result holds, -1 for no limit; a prepared query takes it at its next
  // execution.
  int32_t MaxRowCount() const { return FMaxRowCount; }
  void SetMaxRowCount(int32_t count);

  // Prepares the statement on the query's database, which it holds while prepared.
  void Prepare();
  void Unprepare();
  bool Prepared() const { return FStatement != nullptr; }

  // The result's rows or the rows changed, and the seconds of the last execution.
  int32_t RowsAffected() const { return FRowsAffected; }
  double ExecutionTime() const { return FExecutionTime; }

  TQueryProgressEvent OnQueryProgress;

  // Closes, then unprepares.
  void Disconnect() override;

 protected:
  TDataCursor* CreateCursor() override;
  // The result cursor belongs to the statement.
  void DestroyCursor(TDataCursor*) override {}
  // A closed query gives up its statement, and with it its database.
  void CloseCursor() override;
  void BeforeDatabaseChange() override { Unprepare(); }

 private:
  void SqlChanged();
  void TakeMasterValues();
  void MasterChanged(TDataSource& source, TDataSourceEvent event);
  void BindParameters();

  TSqlLines FSql;
  std::string FText;
  bool FParamCheck = true;
  TSkladParams FParams;
  // The parameter of each "?" marker, by name, in the markers' order.
  std::vector<std::string> FMarkerNames;
  bool FRequestLive = false;
  int32_t FMaxRowCount = -1;
  std::unique_ptr<TSqlStatement> FStatement;
  int32_t FRowsAffected = 0;
  double FExecutionTime = 0;
  TDataSource* FMaster = nullptr;
  int FMasterLink = 0;
};

}  // namespace sklad
