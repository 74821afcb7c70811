// TSkladDataSet: base of the layer's datasets — an engine cursor as a navigable dataset with open,
// close and scroll events, a current record, fields, bookmarks and Locate.
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
#include "engine/storage/SystemList.h"

namespace sklad {

class TDataCursor;
class TDataSource;

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

class TSkladDataSet {
 public:
  using TNotifyEvent = std::function<void(TSkladDataSet& dataSet)>;

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

  // The engine cursor while open, and the record buffer of the last read.
  TDataCursor* Cursor() const { return FCursor; }
  const uint8_t* RecordBuffer() const { return FRecord.data(); }

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
};

}  // namespace sklad
