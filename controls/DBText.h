// TDBText: a label showing one field of a dataset's current record, following the record as it
// moves; empty while the dataset is inactive or has no record.
#pragma once

#include <QLabel>

#include <string>

namespace sklad {
class TDataSource;
}

namespace controls {

class TDBText : public QLabel {
 public:
  explicit TDBText(QWidget* parent = nullptr);
  ~TDBText() override;

  void SetDataSource(sklad::TDataSource* source);
  void SetFieldName(const std::string& name);

 private:
  void ShowCurrentValue();

  sklad::TDataSource* FSource = nullptr;
  int FLink = 0;
  std::string FFieldName;
};

}  // namespace controls
