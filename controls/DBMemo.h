// TDBMemo: a read-only memo showing one field (a BLOB memo or a string) of a dataset's current
// record, following the record as it moves.
#pragma once

#include <QPlainTextEdit>

#include <string>

namespace sklad {
class TDataSource;
}

namespace controls {

class TDBMemo : public QPlainTextEdit {
 public:
  explicit TDBMemo(QWidget* parent = nullptr);
  ~TDBMemo() override;

  void SetDataSource(sklad::TDataSource* source);
  void SetFieldName(const std::string& name);

  // Lines of the text as wrapped at the memo's present width.
  int WrappedLineCount() const;

 private:
  void ShowCurrentValue();

  sklad::TDataSource* FSource = nullptr;
  int FLink = 0;
  std::string FFieldName;
};

}  // namespace controls
