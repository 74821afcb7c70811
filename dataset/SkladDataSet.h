// TSkladDataSet: base of the layer's datasets — an engine cursor as a navigable dataset with open,
// close and scroll events, a current record, fields, bookmarks, Locate, filters and editing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "DataSetState.h"
#include "Field.h"
#include "FieldDefs.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

class TDataCursor;
class TDataSource;
class TFilter;
class TSkladBlobStream;

using TBookmark = std::vector<uint8_t>;

// One field and the value Locate looks for in it.
struct TLocateKey {
  std::string FieldName;
  std::string Value;
};

struct TLocateOptions {
  bool CaseInsensitive = false;
  // A value matches the field texts it begins.
  bool PartialKey = false;
};

// How the filter text compares strings.
struct TFilterOptions {
  bool CaseInsensitive = false;
  // A string value matches only a whole field text, never a field text it begins.
  bool NoPartialCompare = false;
  bool operator==(const TFilterOptions&) const = default;
};

class TSkladDataSet {
 public:
  using TNotifyEvent = std::function<void(TSkladDataSet& dataSet)>;
  // Decides whether the candidate record (current while the handler runs) passes; accept comes
  // in true.
  using TFilterRecordEvent = std::function<void(TSkladDataSet& dataSet, bool& accept)>;

  TSkladDataSet() = default;
  // Data sources bound to the dataset are left without one. Subclasses close the dataset.
  virtual ~TSkladDataSet();
  TSkladDataSet(const TSkladDataSet&) = delete;
  TSkladDataSet& operator=(const TSkladDataSet&) = delete;

  bool Active() const { return FState != TDataSetState::Inactive; }
  void SetActive(bool active);
  // BeforeOpen, the cursor, fields, state browse, AfterOpen, then AfterScroll when the dataset
  // is not empty. A failed open leaves the dataset closed.
  void Open();
  // BeforeClose, state inactive, fields and cursor gone, AfterClose.
  void Close();
  TDataSetState State() const { return FState; }

  // Scrolling: each runs BeforeScroll, moves, tells the data sources and runs AfterScroll when
  // the dataset has a current record.
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  void MoveBy(int32_t distance);
  // At the first record after First or a move back onto it; at the last after Last or a move
  // forward past it. Both on an empty dataset.
  bool Bof() const { return FBof; }
  bool Eof() const { return FEof; }
  bool IsEmpty() const { return FBof && FEof; }
  // The cursor's number of the current record, 0 when there is none.
  int32_t RecNo() const { return FRecordNumber; }
  // Moves to the n-th record; numbers beyond the count reach the last.
  void SetRecNo(int32_t number);
  // The number of visible records.
  int32_t RecordCount() const;

  // Empty when there is no current record.
  const TBookmark& GetBookmark() const { return FBookmark; }
  // False, without moving, for a bookmark of the wrong size; otherwise moves to the record of the
  // bookmark, or the nearest one after it, and answers whether it was found.
  bool GotoBookmark(const TBookmark& bookmark);
  // -1, 0 or 1; bookmarks of the wrong size compare equal to nothing but themselves.
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;

  // Moves to the first record whose fields read as the values; false (after BeforeScroll, without
  // moving) when there is none.
  bool Locate(const std::vector<TLocateKey>& keys, TLocateOptions options = {});

  const std::vector<TFieldDef>& FieldDefs() const { return FFieldDefs; }
  int FieldCount() const { return FFields.Count(); }
  TField& Fields(int index) const { return *FFields[index]; }
  // Field objects live while the dataset is open. FindField answers none for an unknown name,
  // FieldByName raises "Field '%s' not found".
  TField* FindField(std::string_view name) const;
  TField& FieldByName(std::string_view name) const;

  TNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeScroll, AfterScroll;

  // ---- Editing the current record (SkladDataSetEditing.cpp) ----
  // Whether the cursor allows changes.
  bool CanModify() const;
  // Re-reads the current record with a record lock (8708 when another user changed it since it
  // was read); refused on an empty dataset or one that cannot be modified.
  void Edit();
  // Writes the edited record back, its changed BLOB values with it, and unlocks it.
  void Post();
  // Drops the changes and unlocks the record.
  void Cancel();
  TNotifyEvent BeforeEdit, AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel;

  // ---- Filters (SkladDataSetFilters.cpp) ----
  // The filter text and the record-filter handler narrow the records while Filtered is on. On an
  // open dataset a text the engine cannot compile raises 10051 and the previous filter stays; a
  // change that matters while filtered re-filters, and setting Filtered or a filter while filtered
  // moves to the first record.
  const std::string& Filter() const { return FFilterText; }
  void SetFilter(std::string_view text);
  TFilterOptions FilterOptions() const { return FFilterOptions; }
  void SetFilterOptions(TFilterOptions options);
  bool Filtered() const { return FFiltered; }
  void SetFiltered(bool filtered);
  const TFilterRecordEvent& OnFilterRecord() const { return FOnFilterRecord; }
  void SetOnFilterRecord(TFilterRecordEvent handler);
  // Move to the first, last, next or prior record that passes the filter text and the handler,
  // whether or not Filtered is on; false, without moving, when there is none.
  bool FindFirst() { return FindRecord(true, true); }
  bool FindLast() { return FindRecord(true, false); }
  bool FindNext() { return FindRecord(false, true); }
  bool FindPrior() { return FindRecord(false, false); }

  // ---- Wholesale changes ----
  // Counts the changes after which the records may differ as a whole — open, close, a filter,
  // an index or a posted record — as opposed to a move of the current record. Views that keep
  // rows of their own compare it to tell the two apart.
  int64_t DataGeneration() const { return FDataGeneration; }

  // The engine cursor while open, and the record buffer of the last read.
  TDataCursor* Cursor() const { return FCursor; }
  const uint8_t* RecordBuffer() const { return FRecord.data(); }
  // The record fields read: the filter's candidate while a record-filter handler runs, else the
  // current record; none when there is no current record.
  const uint8_t* ActiveRecord() const;

 protected:
  // The cursor of a new open; none is refused with "Error creating table handle.".
  virtual TDataCursor* CreateCursor() = 0;
  // Closes and frees the cursor unless something else owns it.
  virtual void DestroyCursor(TDataCursor* cursor) = 0;
  // Acquiring the cursor and giving it up; subclasses wrap what the cursor needs around them.
  virtual void OpenCursor();
  virtual void CloseCursor();

  void CheckActive() const;
  void CheckInactive() const;
  // Re-reads the record the cursor stands on (after an index change) and tells the data sources.
  void ResyncCurrentRecord();
  // The records may differ as a whole from now on (see DataGeneration).
  void RecordsChanged() { ++FDataGeneration; }
  // Moves to the record a search clone of the cursor found, then runs AfterScroll.
  void MoveToFound(TDataCursor& search);

 private:
  friend class TDataSource;
  void AddDataSource(TDataSource& source);
  void RemoveDataSource(TDataSource& source);
  void SetState(TDataSetState state);
  void NotifyDataChange();

  void CreateFields();
  void DestroyFields();
  template <class TMove>
  void Scroll(TMove&& move);
  // The first record into the buffer, from the beginning of the cursor.
  void ReadFirst();
  // The record the cursor is on, or the one beside the crack it stopped at.
  void ReadCurrentRecord();
  // Takes the read's status: a record, an end of the data, or an engine error.
  void TakeRecord(int status);

  // ---- Editing ----
  friend class TSkladBlobStream;
  // Leaves the edit state as a move away from the record does: a changed record is posted, an
  // unchanged one cancelled.
  void CheckBrowseMode();
  // BLOB values of the edited record written through streams.
  bool BlobModified(int fieldNo) const;
  void BlobChanged(int fieldNo);
  // Back to browsing the current record as stored.
  void EndEdit();

  // ---- Filters ----
  // At open: the cursor filters for the text and the handler, active when Filtered is on.
  void CreateFilters();
  // At close: the dataset's filters leave the cursor, which may outlive the dataset's use of it.
  void DropFilters();
  void ChangeFilter(std::string_view text, TFilterOptions options);
  // Activating evaluates each inactive filter; when that fails, the dataset's filters are left
  // inactive, the visible set is rebuilt without them and the error passed on.
  void ActivateFilters();
  void DeactivateFilters();
  // The handler's filter is evaluated only over records that passed the expression filter at the
  // time; after the expression filter changed it is evaluated again.
  void ReapplyRecordFilter();
  bool FindRecord(bool restart, bool forward);
  bool PassesFilters(const uint8_t* record, int32_t recordNumber) const;
  static bool AcceptRecord(void* dataSet, const uint8_t* record, int32_t recordNumber);

  TDataSetState FState = TDataSetState::Inactive;
  TDataCursor* FCursor = nullptr;
  std::vector<uint8_t> FRecord;
  TBookmark FBookmark;
  int32_t FRecordNumber = 0;
  bool FBof = true;
  bool FEof = true;
  std::vector<TFieldDef> FFieldDefs;
  TSystemList<std::unique_ptr<TField>> FFields;
  TSystemList<TDataSource*> FDataSources;

  // ---- Wholesale changes ----
  int64_t FDataGeneration = 0;

  // ---- Editing ----
  std::vector<int> FModifiedBlobs;

  // ---- Filters ----
  std::string FFilterText;
  TFilterOptions FFilterOptions;
  bool FFiltered = false;
  TFilterRecordEvent FOnFilterRecord;
  TFilter* FExpressionFilter = nullptr;
  TFilter* FRecordFilter = nullptr;
  // The candidate record while the record-filter handler runs.
  const uint8_t* FFilterRecord = nullptr;
};

}  // namespace sklad
