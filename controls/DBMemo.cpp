#include "DBMemo.h"

#include "FieldText.h"
#include "dataset/DataSource.h"
#include "dataset/SkladDataSet.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

namespace controls {

TDBMemo::TDBMemo(QWidget* parent) : QPlainTextEdit(parent) { setReadOnly(true); }

TDBMemo::~TDBMemo() {
  if (FSource) FSource->RemoveLink(FLink);
}

void TDBMemo::SetDataSource(sklad::TDataSource* source) {
  if (FSource) FSource->RemoveLink(FLink);
  FSource = source;
  if (FSource)
    FLink = FSource->AddLink([this](sklad::TDataSource&, sklad::TDataSourceEvent event) {
      if (event == sklad::TDataSourceEvent::SourceGone) {
        FSource = nullptr;
        clear();
        return;
      }
      ShowCurrentValue();
    });
  ShowCurrentValue();
}

void TDBMemo::SetFieldName(const std::string& name) {
  FFieldName = name;
  ShowCurrentValue();
}

// The document lays out its blocks at the viewport's width; each block's layout tells how
// many lines it was wrapped into. The plain text layout lays out only the blocks it has drawn,
// so asking for a block's bounding rectangle first lays out the ones below the visible part.
int TDBMemo::WrappedLineCount() const {
  QAbstractTextDocumentLayout* layout = document()->documentLayout();
  int lines = 0;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    layout->blockBoundingRect(block);
    lines += std::max(block.layout()->lineCount(), 1);
  }
  return lines;
}

void TDBMemo::ShowCurrentValue() {
  sklad::TSkladDataSet* dataSet = FSource ? FSource->DataSet() : nullptr;
  if (!dataSet || FSource->State() == sklad::TDataSetState::Inactive || FFieldName.empty()) {
    clear();
    return;
  }
  sklad::TField* field = dataSet->FindField(FFieldName);
  setPlainText(field ? FieldText(*field) : QString());
}

}  // namespace controls
