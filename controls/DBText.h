// TDBText: a label showing one field of a dataset's current record, following the record as it
// moves; empty while the dataset is inactive or has no record.
#pragma once

#include "FieldDataLink.h"

#include <QLabel>

#include <string>

namespace controls {

class TDBText : public QLabel {
 public:
  explicit TDBText(QWidget* parent = nullptr);

  void SetDataSource(sklad::TDataSource* source) { FLink.SetDataSource(source); }
  void SetFieldName(const std::string& name) { FLink.SetFieldName(name); }

 private:
  TFieldDataLink FLink;
};

}  // namespace controls
