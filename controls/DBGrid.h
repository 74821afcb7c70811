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

class TGridRowsModel;

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

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Told by the source: reload the rows when they are stale, then select the current record.
  void FollowSource();
  void SelectCurrentRecord();
  // A row the user chose becomes the dataset's current record.
  void MoveDataSetTo(int row);

  sklad::TDataSource* FSource = nullptr;
  int FLink = 0;
  // The rows the grid shows; owned by the grid as its Qt child.
  TGridRowsModel* FModel = nullptr;
  // Set while the grid selects the dataset's record, so that the selection does not move the
  // dataset back.
  bool FFollowing = false;
};

}  // namespace controls
