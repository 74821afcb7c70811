// TDataCursor: the engine's cursor over one table — opening and sharing the table object,
// natural or index order, the live-records, range and visible bitmaps, navigation with record
// numbers, counts and bookmarks, and the resynchronisation every operation starts with.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "CursorIndex.h"
#include "RecordsBitmap.h"
#include "engine/storage/FieldDefinition.h"
#include "engine/storage/SystemList.h"

namespace sklad {

class TDataDirectory;
class TDataTable;

namespace cursor_status {
constexpr int Ok = 0;
constexpr int BeginningOfFile = 8705;
constexpr int EndOfFile = 8706;
constexpr int NoCurrentRecord = 8709;
constexpr int RecordNotFound = 8710;
}  // namespace cursor_status

class TDataCursor {
 public:
  // The index number of natural order.
  static constexpr int kNaturalOrder = 255;

  explicit TDataCursor(TDataDirectory& directory);
  ~TDataCursor();
  TDataCursor(const TDataCursor&) = delete;
  TDataCursor& operator=(const TDataCursor&) = delete;

  // Options; each raises 10031 on an open cursor.
  void SetTableName(std::string_view name);
  void SetExclusive(bool value);
  void SetAllowSharedExclusive(bool value);
  void SetReadOnly(bool value);
  void SetInMemory(bool value);
  void SetSourceMode(bool value);

  const std::string& TableName() const { return FTableName; }
  bool Active() const { return FActive; }
  bool ReadOnly() const { return FReadOnly; }
  TDataTable* Table() const { return FTable; }

  // Opens or shares the table object and goes to the beginning; a failed open leaves the
  // cursor closed. Close keeps the options and the name.
  void Open();
  void Close();

  // 0 primary, 1 … n secondary, kNaturalOrder. Re-finds the current record in the new order.
  void SelectIndex(int number);
  // Raises 10022 for a name no index of the table has.
  void SelectIndexByName(std::string_view name);
  int IndexNumber() const { return FIndexNumber; }
  const std::string& IndexName() const { return FIndexName; }
  bool NaturalOrder() const;

  // The current record into buffer (may be null): 0, or 8705, 8706, 8709 on a crack or with no
  // record, the buffer then zero-filled.
  int ReadCurrent(uint8_t* buffer);
  const std::vector<uint8_t>& CurrentRecord() const { return FCurrentRecord; }
  // Reads a field of a record buffer; dest (may be null) receives the value bytes. Answers
  // whether the field is null. 9985 for an unknown field number.
  bool GetField(int fieldNo, const uint8_t* record, uint8_t* dest) const;
  int FieldCount() const { return FFields.Count(); }
  int RecordSize() const { return FRecordSize; }
  const TFieldDefinition& GetFieldDefinition(int fieldNo) const;

  // Synchronisation: every public operation runs between BeginRead and EndRead.
  void BeginRead();
  void EndRead();
  bool TableChanged();
  void Resynchronise();
  // Re-reads the table, recounts and re-finds the current record.
  void Refresh();

  // A cursor on the same table, index and record; its own position from then on.
  std::unique_ptr<TDataCursor> Clone();
  // Moves onto the other cursor's current record: 0, or 8710 when it is not visible here.
  int SyncToCursor(TDataCursor& other);

  // Navigation.
  void First();
  void Last();
  int ReadNext(uint8_t* buffer);
  int ReadPrior(uint8_t* buffer);
  void MoveBy(int32_t n);
  int32_t GetRecordNumber();
  void GotoRecordNumber(int32_t n);
  int32_t GetRecordCount();
  bool AtBeginning() const { return FAtBeginning; }
  bool AtEnd() const { return FAtEnd; }

  // Bookmarks: the record number in natural order, the current key in index order.
  int BookmarkSize() const;
  void GetBookmark(uint8_t* dest) const;
  bool GotoBookmark(const uint8_t* bookmark, bool acceptNearest, bool noBeginRead = false);
  int CompareBookmarks(const uint8_t* a, const uint8_t* b) const;

  // The visible set and its count, recomputed from the table.
  void Recount();

  // ---- Record editing and record locks ----
  // The caller supplies auto-increment values; accepted only when the table has an
  // auto-increment field.
  void SetUserRecordIds(bool value);
  bool UserRecordIds() const { return FUserRecordIds; }
  // ReadCurrent that, with lock, first locks the current record for editing; raises 8708 (the
  // record unlocked again) when the stored record no longer equals buffer.
  int ReadCurrent(uint8_t* buffer, bool lock);
  // Writes a field of a record buffer; value null makes the field null.
  void PutField(int fieldNo, uint8_t* record, const uint8_t* value) const;
  void ClearRecord(uint8_t* buffer) const;
  // A new record: zeroed, then the fields' default values.
  void InitRecord(uint8_t* buffer) const;
  // Raises 9732, 9730 or 9731 for a missing required value or a value outside its limits.
  void ValidateRecord(const uint8_t* buffer) const;
  // Each raises 11013 through a read-only cursor. Insert sets the buffer's auto-increment value
  // (unless the caller supplies it); modify and delete work on the record read with lock.
  void InsertRecord(uint8_t* buffer, bool resync);
  void ModifyRecord(uint8_t* buffer, bool resync, bool unlock);
  void DeleteRecord(const uint8_t* buffer, bool resync);
  // The current record as a new record in buffer (may be null): its non-null fields, and its
  // auto-increment value when the caller supplies those. 8709 without a current record.
  int CopyCurrentRecord(uint8_t* buffer);
  // 0 means the current record. 10258 when it is locked already or after the retries.
  void LockRecord(int32_t recordNumber);
  void UnlockRecord(int32_t recordNumber);

 private:
  // Runs an operation between BeginRead and EndRead; a read that found another user's change
  // resynchronises the cursor and runs the operation again.
  template <class TBody>
  auto Reading(TBody&& body);

  void CheckClosed() const;
  void LoadFieldDefinitions();
  void SwitchIndex(int number);
  void RecountBody();
  void RebuildBitmaps();
  void BuildLiveBitmap();
  void CombineBitmaps();
  int32_t HighestRecordNumber() const;

  void SetNoRecord();
  // No visible record: an empty visible set, or an empty index range.
  bool NothingVisible() const;
  void GotoFirstVisible();
  void GotoLastVisible();
  void MoveByBody(int32_t n);
  void PlaceAtOrdinal(uint32_t ordinal);
  void GotoNaturalRecord(int32_t recordNumber);
  void SnapToVisible();
  bool GotoBookmarkBody(const uint8_t* bookmark, bool acceptNearest);
  int ReadStep(uint8_t* buffer, int direction);
  void LoadCurrentRecord(int direction);
  int32_t CountConsecutive(int32_t count, int direction);
  void CopyCurrent(uint8_t* buffer, bool valid) const;
  void SnapshotCounters();

  TDataDirectory& FDirectory;
  TDataTable* FTable = nullptr;
  std::string FTableName;
  int32_t FDataChangeCount = 0;
  int32_t FIndexChangeCount = 0;
  int32_t FBlobChangeCount = 0;
  bool FActive = false;
  bool FExclusive = false;
  bool FAllowSharedExclusive = false;
  bool FReadOnly = false;
  bool FTableReadOnly = false;
  bool FInMemory = false;
  bool FSourceMode = false;

  std::vector<uint8_t> FCurrentRecord;
  // Natural order: the rank of the current record among the visible ones. Index order: the
  // ordinal of the current key among all keys of the index.
  int32_t FPosition = 0;
  // The current record's number in either order.
  int32_t FRecordNumber = 0;
  // Index order: the current key and where the tree holds it.
  std::vector<uint8_t> FCurrentKey;
  TKeyLocation FCurrentEntry;

  std::string FIndexName;
  int FIndexNumber = kNaturalOrder;
  std::unique_ptr<TCursorIndex> FIndex;  // none in natural order
  bool FAtEnd = false;
  bool FAtBeginning = false;
  int32_t FRangeStart = 0;
  int32_t FRangeEnd = 0;
  int32_t FVisibleCount = 0;
  bool FBitmapNavigation = false;
  TRecordsBitmap* FVisibleBitmap = nullptr;
  TRecordsBitmap* FRangeBitmap = nullptr;
  TRecordsBitmap* FLiveBitmap = nullptr;
  bool FBuildingBitmaps = false;

  TSystemList<TFieldDefinition> FFields;
  int FRecordSize = 0;
  int FReadDepth = 0;

  // ---- Record editing ----
  // Runs a change between the table's write lock (taken with BeginWrite) and EndWrite.
  template <class TBody>
  void Writing(TBody&& body);
  void CheckWritable() const;
  void BeginWrite();
  void EndWrite();
  // Hands the changed files to the table and takes its new counters as this cursor's own.
  void CommitChange(bool dataChanged, bool blobsWritten, bool keysChanged);
  // The slots of the key indexes a record of this table is entered in (index 0 only with a
  // primary key), without the record-state index.
  std::vector<int> KeyIndexSlots() const;
  std::string IndexNameOf(int slot) const;
  int32_t SlotForNextInsert() const;
  // The number of the record read for editing; 8708 when there is none.
  int32_t EditedRecordNumber() const;
  // Fills the BLOB fields of a record image being stored, from the previous stored record when
  // there is one; answers whether BLOB values were written.
  bool StoreBlobValues(uint8_t* record, const uint8_t* previous) const;
  // The insert and delete steps under the record's lock.
  void InsertLocked(uint8_t* buffer, int32_t number, bool resync);
  void DeleteLocked(const uint8_t* buffer, int32_t number, bool resync);
  // The bitmaps and counts after this cursor stored or removed record r.
  void RecountAfterChange(int32_t recordNumber);
  void RecountAfterDelete(int32_t recordNumber);
  void ResyncToCurrentRecord();
  bool FUserRecordIds = false;
};

}  // namespace sklad
