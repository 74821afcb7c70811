// TDBMemo: a read-only memo showing one field (a BLOB memo or a string) of a dataset's current
// record, following the record as it moves.
#pragma once

#include "FieldDataLink.h"

#include <QPlainTextEdit>

#include <string>

namespace controls {

class TDBMemo : public QPlainTextEdit {
 public:
  explicit TDBMemo(QWidget* parent = nullptr);

  void SetDataSource(sklad::TDataSource* source) { FLink.SetDataSource(source); }
  void SetFieldName(const std::string& name) { FLink.SetFieldName(name); }

  // Lines of the text as wrapped at the memo's present width.
  int WrappedLineCount() const;

 private:
  TFieldDataLink FLink;
};

}  // namespace controls
