#include "DataSource.h"

#include "SkladDataSet.h"

namespace sklad {

TDataSource::~TDataSource() {
  if (FDataSet) FDataSet->RemoveDataSource(*this);
  Notify(TDataSourceEvent::SourceGone);
}

void TDataSource::SetDataSet(TSkladDataSet* dataSet) {
  if (dataSet == FDataSet) return;
  if (FDataSet) FDataSet->RemoveDataSource(*this);
  FDataSet = dataSet;
  if (FDataSet) FDataSet->AddDataSource(*this);
  UpdateState();
}

void TDataSource::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  UpdateState();
}

int TDataSource::AddLink(TLink link) {
  FLinks.emplace(FNextLinkId, std::move(link));
  return FNextLinkId++;
}

void TDataSource::RemoveLink(int id) { FLinks.erase(id); }

void TDataSource::UpdateState() {
  const TDataSetState state = FEnabled && FDataSet ? FDataSet->State() : TDataSetState::Inactive;
  if (state == FState) return;
  const TDataSetState prior = FState;
  FState = state;
  if (OnStateChange) OnStateChange(*this);
  Notify(TDataSourceEvent::StateChange);
  if (prior == TDataSetState::Inactive) DataChanged();
}

void TDataSource::DataChanged() {
  if (FState == TDataSetState::Inactive) return;
  if (OnDataChange) OnDataChange(*this);
  Notify(TDataSourceEvent::DataChange);
}

void TDataSource::DataSetGone() {
  FDataSet = nullptr;
  UpdateState();
}

void TDataSource::Notify(TDataSourceEvent event) {
  // A link may remove itself while being told.
  const std::map<int, TLink> links = FLinks;
  for (const auto& [id, link] : links) link(*this, event);
}

}  // namespace sklad
