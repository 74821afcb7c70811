// TFieldDataLink: what a control showing one field of a data source's current record keeps —
// the source, its link and the field name — telling the control the text to show whenever the
// record, the data or the source's state changes.
#pragma once

#include <QString>

#include <functional>
#include <string>

namespace sklad {
class TDataSource;
}

namespace controls {

class TFieldDataLink {
 public:
  // show receives the field's text, or an empty text while there is nothing to show.
  explicit TFieldDataLink(std::function<void(const QString&)> show) : FShow(std::move(show)) {}
  ~TFieldDataLink();
  TFieldDataLink(const TFieldDataLink&) = delete;
  TFieldDataLink& operator=(const TFieldDataLink&) = delete;

  void SetDataSource(sklad::TDataSource* source);
  void SetFieldName(const std::string& name);

 private:
  void ShowCurrentValue();

  std::function<void(const QString&)> FShow;
  sklad::TDataSource* FSource = nullptr;
  int FLink = 0;
  std::string FFieldName;
};

}  // namespace controls
