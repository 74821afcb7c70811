// TGridRowsModel: the rows of TDBGrid — one field of every visible record of a dataset, read
// lazily, a window of rows around the one asked for, through a sklad::TFieldRowTexts, so the
// dataset's own position is never moved.
#pragma once

#include <QAbstractListModel>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sklad {
class TDataSource;
class TField;
class TFieldRowTexts;
}  // namespace sklad

namespace controls {

class TGridRowsModel : public QAbstractListModel {
 public:
  explicit TGridRowsModel(QObject* parent = nullptr);
  ~TGridRowsModel() override;

  void SetDataSource(sklad::TDataSource* source) { FSource = source; }
  void SetFieldName(const std::string& name) { FFieldName = name; }
  // Rows read at one positioning; the view keeps it near twice the rows it shows.
  void SetWindowRows(int rows);

  // Whether the rows no longer match the source: it became inactive or active, or its dataset's
  // records changed as a whole (another generation or count).
  bool Stale() const;
  // Starts over from the source as it is now: the reader and the rows read are dropped, the rows
  // counted again (none while the source is inactive).
  void Reload();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  int64_t RecordsRead() const { return FRecordsRead; }
  void ResetRecordsRead() { FRecordsRead = 0; }

 private:
  // The field shown, of an active source's dataset; none otherwise.
  sklad::TField* ShownField() const;
  // Where the window that is to hold row begins.
  int WindowStartFor(int row) const;
  // The rows of the window that holds row: one positioning, then consecutive reads.
  void ReadWindow(int row);

  sklad::TDataSource* FSource = nullptr;
  std::string FFieldName;
  int FWindowRows = 32;

  // What the rows were counted from.
  bool FActive = false;
  int64_t FGeneration = -1;
  int FRowCount = 0;

  // Read lazily while the view asks for rows.
  std::unique_ptr<sklad::TFieldRowTexts> FRows;
  int FWindowStart = 0;
  std::vector<QString> FWindow;
  int64_t FRecordsRead = 0;
};

}  // namespace controls
