#include "FieldDataLink.h"

#include "FieldText.h"
#include "dataset/DataSource.h"
#include "dataset/SkladDataSet.h"

namespace controls {

TFieldDataLink::~TFieldDataLink() {
  if (FSource) FSource->RemoveLink(FLink);
}

void TFieldDataLink::SetDataSource(sklad::TDataSource* source) {
  if (FSource) FSource->RemoveLink(FLink);
  FSource = source;
  if (FSource)
    FLink = FSource->AddLink([this](sklad::TDataSource&, sklad::TDataSourceEvent event) {
      if (event == sklad::TDataSourceEvent::SourceGone) FSource = nullptr;
      ShowCurrentValue();
    });
  ShowCurrentValue();
}

void TFieldDataLink::SetFieldName(const std::string& name) {
  FFieldName = name;
  ShowCurrentValue();
}

void TFieldDataLink::ShowCurrentValue() {
  sklad::TSkladDataSet* dataSet = FSource ? FSource->DataSet() : nullptr;
  if (!dataSet || FSource->State() == sklad::TDataSetState::Inactive || FFieldName.empty()) {
    FShow({});
    return;
  }
  sklad::TField* field = dataSet->FindField(FFieldName);
  FShow(field ? FieldText(*field) : QString());
}

}  // namespace controls
