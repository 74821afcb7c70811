#include "DBMemo.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

namespace controls {

TDBMemo::TDBMemo(QWidget* parent)
    : QPlainTextEdit(parent), FLink([this](const QString& text) { setPlainText(text); }) {
  setReadOnly(true);
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

}  // namespace controls
