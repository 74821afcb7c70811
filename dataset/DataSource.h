// TDataSource: what bound controls follow — a dataset's state and record changes, passed on only
// while enabled; a disabled source reads as inactive.
#pragma once

#include <functional>
#include <map>

#include "DataSetState.h"

namespace sklad {

class TSkladDataSet;

// SourceGone: the source is being destroyed; links must not use it afterwards.
enum class TDataSourceEvent { StateChange, DataChange, SourceGone };

class TDataSource {
 public:
  using TNotifyEvent = std::function<void(TDataSource& sender)>;
  using TLink = std::function<void(TDataSource& sender, TDataSourceEvent event)>;

  TDataSource() = default;
  ~TDataSource();
  TDataSource(const TDataSource&) = delete;
  TDataSource& operator=(const TDataSource&) = delete;

  TSkladDataSet* DataSet() const { return FDataSet; }
  void SetDataSet(TSkladDataSet* dataSet);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  // The dataset's state, or inactive while disabled or without a dataset.
  TDataSetState State() const { return FState; }

  // The state changed; on leaving the inactive state the data changed as well.
  TNotifyEvent OnStateChange;
  // The current record or the whole data changed (not told while inactive).
  TNotifyEvent OnDataChange;

  // Bound controls: each link hears every event after the source's own handler, and SourceGone
  // when the source is destroyed.
  int AddLink(TLink link);
  void RemoveLink(int id);

 private:
  friend class TSkladDataSet;
  // Told by the dataset.
  void UpdateState();
  void DataChanged();
  void DataSetGone();
  void Notify(TDataSourceEvent event);

  TSkladDataSet* FDataSet = nullptr;
  bool FEnabled = true;
  TDataSetState FState = TDataSetState::Inactive;
  std::map<int, TLink> FLinks;
  int FNextLinkId = 1;
};

}  // namespace sklad
