#include "GridRowsModel.h"

#include "FieldText.h"
#include "dataset/DataSource.h"
#include "dataset/ErrorReport.h"
#include "dataset/FieldRowTexts.h"
#include "dataset/SkladDataSet.h"

#include <algorithm>

namespace controls {

TGridRowsModel::TGridRowsModel(QObject* parent) : QAbstractListModel(parent) {}

TGridRowsModel::~TGridRowsModel() = default;

void TGridRowsModel::SetWindowRows(int rows) { FWindowRows = std::max(rows, 1); }

sklad::TField* TGridRowsModel::ShownField() const {
  if (!FSource || FSource->State() == sklad::TDataSetState::Inactive || FFieldName.empty()) return nullptr;
  return FSource->DataSet()->FindField(FFieldName);
}

bool TGridRowsModel::Stale() const {
  const bool active = FSource && FSource->State() != sklad::TDataSetState::Inactive;
  if (active != FActive) return true;
  if (!active) return false;
  const sklad::TSkladDataSet& dataSet = *FSource->DataSet();
  return dataSet.DataGeneration() != FGeneration || dataSet.RecordCount() != FRowCount;
}

void TGridRowsModel::Reload() {
  beginResetModel();
  FRows.reset();
  FWindow.clear();
  FWindowStart = 0;
  FActive = FSource && FSource->State() != sklad::TDataSetState::Inactive;
  FGeneration = FActive ? FSource->DataSet()->DataGeneration() : -1;
  FRowCount = FActive && ShownField() ? FSource->DataSet()->RecordCount() : 0;
  endResetModel();
}

int TGridRowsModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : FRowCount; }

QVariant TGridRowsModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= FRowCount || !ShownField()) return {};
  const int row = index.row();
  if (row < FWindowStart || row >= FWindowStart + static_cast<int>(FWindow.size())) {
    // Qt asks through a const interface; reading the window is the model's own cache filling.
    auto& self = const_cast<TGridRowsModel&>(*this);
    try {
      self.ReadWindow(row);
    } catch (const std::exception& error) {
      // No error may leave through the view's painting: the rows read stay empty, the next read
      // starts with a new reader, and the error is reported once.
      self.FRows.reset();
      sklad::ReportError(error);
    }
  }
  const int offset = row - FWindowStart;
  return offset >= 0 && offset < static_cast<int>(FWindow.size()) ? FWindow[static_cast<size_t>(offset)] : QString();
}

// Scrolling on past either end of the window reads the rows that follow on that side, so each
// record is read once; after a jump the window reaches a quarter of its rows above the row asked
// for, so that scrolling either way finds the rows beside it already read.
int TGridRowsModel::WindowStartFor(int row) const {
  const int end = FWindowStart + static_cast<int>(FWindow.size());
  int start = row - FWindowRows / 4;
  if (!FWindow.empty() && row >= end && row < end + FWindowRows)
    start = end;
  else if (!FWindow.empty() && row < FWindowStart && row >= FWindowStart - FWindowRows)
    start = FWindowStart - FWindowRows;
  return std::clamp(start, 0, std::max(FRowCount - FWindowRows, 0));
}

void TGridRowsModel::ReadWindow(int row) {
  const sklad::TField& field = *ShownField();
  FWindowStart = WindowStartFor(row);
  const int count = std::min(FWindowRows, FRowCount - FWindowStart);
  FWindow.assign(static_cast<size_t>(count), QString());
  if (!FRows) FRows = std::make_unique<sklad::TFieldRowTexts>(*FSource->DataSet());
  const std::vector<std::string> texts = FRows->Read(field, FWindowStart, count);
  FRecordsRead += static_cast<int64_t>(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) FWindow[i] = StoredFieldText(field, texts[i]);
}

}  // namespace controls
