#include "DBText.h"

#include "FieldText.h"
#include "dataset/DataSource.h"
#include "dataset/SkladDataSet.h"

namespace controls {

TDBText::TDBText(QWidget* parent) : QLabel(parent) {}

TDBText::~TDBText() {
  if (FSource) FSource->RemoveLink(FLink);
}

void TDBText::SetDataSource(sklad::TDataSource* source) {
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

void TDBText::SetFieldName(const std::string& name) {
  FFieldName = name;
  ShowCurrentValue();
}

void TDBText::ShowCurrentValue() {
  sklad::TSkladDataSet* dataSet = FSource ? FSource->DataSet() : nullptr;
  if (!dataSet || FSource->State() == sklad::TDataSetState::Inactive || FFieldName.empty()) {
    clear();
    return;
  }
  sklad::TField* field = dataSet->FindField(FFieldName);
  setText(field ? FieldText(*field) : QString());
}

}  // namespace controls
