#include "DBGrid.h"

// Placeholder until the lazy rows model lands: the grid lists nothing.
namespace controls {

class TDBGrid::TRowsModel {};

TDBGrid::TDBGrid(QWidget* parent) : QListView(parent) {}
TDBGrid::~TDBGrid() = default;
void TDBGrid::SetDataSource(sklad::TDataSource*) {}
void TDBGrid::SetFieldName(const std::string&) {}
int64_t TDBGrid::RecordsRead() const { return 0; }
void TDBGrid::ResetRecordsRead() {}

}  // namespace controls
