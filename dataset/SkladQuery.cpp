#include "SkladQuery.h"

#include <algorithm>

#include "DatabaseError.h"
#include "ParamScan.h"
#include "SkladSession.h"
#include "engine/sql/SqlStatement.h"

namespace sklad {
namespace {

// The characters of a text without its trailing line breaks and blanks.
size_t SignificantLength(std::string_view text) {
  const size_t end = text.find_last_not_of(" \t\r\n");
  return end == std::string_view::npos ? 0 : end + 1;
}

}  // namespace

TSkladQuery::TSkladQuery() : FSql([this] { SqlChanged(); }) {}

TSkladQuery::~TSkladQuery() {
  if (FMaster) FMaster->RemoveLink(FMasterLink);
  try {
    Disconnect();
  } catch (...) {
    // A destructor must not throw; the statement and database go with their owners.
  }
}

std::string_view TSkladQuery::EngineVersion() const { return TSkladSession::kEngineVersion; }

void TSkladQuery::SetSQL(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  if (text == FSql.Text()) return;
  Disconnect();
  FSql.BeginUpdate();
  FSql.Assign(lines);
  FSql.EndUpdate();
}

void TSkladQuery::SqlChanged() {
  const std::string text = FSql.Text();
  Disconnect();
  if (!FParamCheck) {
    FText = text;
    FMarkerNames.clear();
    return;
  }
  TParamScan scan = ScanParameters(text);
  FParams = TSkladParams::FromNames(scan.Names, FParams);
  FMarkerNames = std::move(scan.Names);
  FText = std::move(scan.Text);
}

void TSkladQuery::SetDataSource(TDataSource* source) {
  if (source == FMaster) return;
  if (source && source->DataSet() == this) RaiseDatabaseError(dberr::CircularDataLink);
  if (FMaster) FMaster->RemoveLink(FMasterLink);
  FMaster = source;
  if (FMaster)
    FMasterLink = FMaster->AddLink([this](TDataSource& from, TDataSourceEvent event) { MasterChanged(from, event); });
}

void TSkladQuery::MasterChanged(TDataSource& source, TDataSourceEvent event) {
  if (event == TDataSourceEvent::SourceGone) {
    FMaster = nullptr;
    return;
  }
  if (!Active() || source.State() == TDataSetState::Inactive) return;
  Close();
  Open();
}

void TSkladQuery::TakeMasterValues() {
  if (!FMaster || !FMaster->DataSet() || !FMaster->DataSet()->Active()) return;
  const TSkladDataSet& master = *FMaster->DataSet();
  for (int i = 0; i < FParams.Count(); ++i) {
    TSkladParam& param = FParams[i];
    if (param.Bound()) continue;
    if (const TField* field = master.FindField(param.Name())) param.TakeFieldValue(*field);
  }
}

void TSkladQuery::SetRequestLive(bool value) {
  if (value == FRequestLive) return;
  CheckInactive();
  Unprepare();
  FRequestLive = value;
}

void TSkladQuery::SetMaxRowCount(int32_t count) {
  FMaxRowCount = count;
  if (FStatement) FStatement->SetMaxRowCount(count);
}

void TSkladQuery::Prepare() {
  if (FStatement) return;
  CheckInactive();
  if (SignificantLength(FText) < 2) RaiseDatabaseError(dberr::NoSqlStatement);
  SetUseReason(TDatabaseUseReason::PreparedStatement, true);
  try {
    TSkladSession& session = Session();
    TSqlStatementOptions options;
    options.RequestLive = FRequestLive;
    options.MaxRowCount = FMaxRowCount;
    options.PasswordCallback = [&session] { return session.RequestPassword(); };
    auto statement = std::make_unique<TSqlStatement>(EngineDirectory(), FText, std::move(options));
    statement->Prepare();
    FStatement = std::move(statement);
  } catch (...) {
    SetUseReason(TDatabaseUseReason::PreparedStatement, false);
    throw;
  }
}

void TSkladQuery::Unprepare() {
  if (!FStatement) return;
  FStatement.reset();
  SetUseReason(TDatabaseUseReason::PreparedStatement, false);
}

void TSkladQuery::Disconnect() {
  Close();
  Unprepare();
}

TDataCursor* TSkladQuery::CreateCursor() {
  if (FSql.Count() == 0) RaiseDatabaseError(dberr::NoSqlStatement);
  Prepare();
  TakeMasterValues();
  BindParameters();
  FStatement->SetProgress([this](int32_t rows, int percent, bool& abort) {
    if (OnQueryProgress) OnQueryProgress(*this, rows, static_cast<int16_t>(percent), abort);
  });
  TDataCursor* result = FStatement->Execute();
  FRowsAffected = FStatement->RowsAffected();
  FExecutionTime = FStatement->ExecutionTime();
  return result;
}

void TSkladQuery::BindParameters() {
  if (FMarkerNames.empty()) return;
  std::vector<TSqlParameter> values;
  for (size_t i = 0; i < FMarkerNames.size(); ++i)
    values.push_back(FParams.ParamByName(FMarkerNames[i]).ForEngine(static_cast<int>(i + 1)));
  FStatement->BindParameters(values);
}

void TSkladQuery::CloseCursor() {
  TSkladDBDataSet::CloseCursor();
  Unprepare();
}

}  // namespace sklad
