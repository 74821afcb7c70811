// TDBGrid: the list of a dataset's records showing one field per row. Rows are read lazily,
// through a cursor of the grid's own: drawing reads only the records on screen, however many
// the list holds, and the dataset's current record is the selected row.
#pragma once

#include <QListView>

#include <cstdint>
#include <memory>
#include <string>

namespace sklad {
class TDataSource;
}

namespace controls {

class TDBGrid : public QListView {
 public:
  explicit TDBGrid(QWidget* parent = nullptr);
  ~TDBGrid() override;

  // The source whose dataset the grid lists. A click or a key on a row makes that record the
  // dataset's current one; a move of the dataset selects its row. While the source is disabled
  // or inactive the grid shows no rows and reads nothing.
  void SetDataSource(sklad::TDataSource* source);
  // The field shown in the one column.
  void SetFieldName(const std::string& name);

  // Records read from the table to show rows since the last ResetRecordsRead.
  int64_t RecordsRead() const;
  void ResetRecordsRead();

 private:
  class TRowsModel;
  std::unique_ptr<TRowsModel> FModel;
};

}  // namespace controls
