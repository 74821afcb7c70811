#include "DBGrid.h"

#include "GridRowsModel.h"
#include "dataset/DataSource.h"
#include "dataset/ErrorReport.h"
#include "dataset/SkladDataSet.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QResizeEvent>

#include <algorithm>

namespace controls {
namespace {

// Draws the rows as usual but sizes them from a sample text: Qt sizes uniform rows from the
// model's last row, which would be a read far from the rows shown.
class TRowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    QStyleOptionViewItem sample = option;
    sample.features |= QStyleOptionViewItem::HasDisplay;
    sample.text = QStringLiteral("Ág");
    const QWidget* view = option.widget;
    return (view ? view->style() : QApplication::style())
        ->sizeFromContents(QStyle::CT_ItemViewItem, &sample, QSize(), view);
  }
};

}  // namespace

TDBGrid::TDBGrid(QWidget* parent) : QListView(parent), FModel(new TGridRowsModel(this)) {
  setModel(FModel);
  setItemDelegate(new TRowDelegate(this));
  // Uniform rows: the view sizes every row from one, so it never asks for rows it does not show.
  setUniformItemSizes(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // The selection stays as visible when the grid loses the focus.
  QPalette colours = palette();
  for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
    colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
  setPalette(colours);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { MoveDataSetTo(current.row()); });
}

TDBGrid::~TDBGrid() {
  if (FSource) FSource->RemoveLink(FLink);
}

void TDBGrid::SetDataSource(sklad::TDataSource* source) {
  if (FSource) FSource->RemoveLink(FLink);
  FSource = source;
  FModel->SetDataSource(source);
  if (FSource)
    FLink = FSource->AddLink([this](sklad::TDataSource&, sklad::TDataSourceEvent event) {
      if (event == sklad::TDataSourceEvent::SourceGone) {
        FSource = nullptr;
        FModel->SetDataSource(nullptr);
      }
      FollowSource();
    });
  FModel->Reload();
  SelectCurrentRecord();
}

void TDBGrid::SetFieldName(const std::string& name) {
  FModel->SetFieldName(name);
  FModel->Reload();
  SelectCurrentRecord();
}

int64_t TDBGrid::RecordsRead() const { return FModel->RecordsRead(); }

void TDBGrid::ResetRecordsRead() { FModel->ResetRecordsRead(); }

void TDBGrid::resizeEvent(QResizeEvent* event) {
  QListView::resizeEvent(event);
  // A window of about two screens of rows: the rows shown and half a screen either side.
  const int rowsShown = viewport()->height() / std::max(fontMetrics().height(), 1) + 1;
  FModel->SetWindowRows(2 * rowsShown);
}

void TDBGrid::FollowSource() {
  if (FModel->Stale()) FModel->Reload();
  SelectCurrentRecord();
}

void TDBGrid::SelectCurrentRecord() {
  const bool active = FSource && FSource->State() != sklad::TDataSetState::Inactive;
  const int row = active ? FSource->DataSet()->RecNo() - 1 : -1;
  FFollowing = true;
  if (row >= 0 && row < FModel->rowCount()) {
    const QModelIndex index = FModel->index(row);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
  } else {
    selectionModel()->clear();
  }
  FFollowing = false;
}

void TDBGrid::MoveDataSetTo(int row) {
  if (FFollowing || row < 0 || !FSource || FSource->State() != sklad::TDataSetState::Browse) return;
  sklad::TSkladDataSet& dataSet = *FSource->DataSet();
  if (dataSet.RecNo() == row + 1) return;
  try {
    dataSet.SetRecNo(row + 1);
  } catch (const std::exception& error) {
    // Raised inside the view's event handling, where no caller can take it: reported, and the
    // selection goes back to the dataset's record.
    sklad::ReportError(error);
    SelectCurrentRecord();
  }
}

}  // namespace controls
