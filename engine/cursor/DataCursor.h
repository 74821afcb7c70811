// TDataCursor: the engine's cursor over one table — opening and sharing the table object,
// natural or index order, the live-records, range and visible bitmaps, navigation with record
// numbers, counts and bookmarks, and the resynchronisation every operation starts with.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "CursorIndex.h"
#include "RecordsBitmap.h"
#include "engine/storage/LanguageCharMaps.h"
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
  // Asked while the session lacks the password of an encrypted table being opened; answers true
  // when it has given the session a password to try. Cleared by Close.
  void SetPasswordCallback(std::function<bool()> callback);

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

  // ---- Keys, ranges and key search ----
  // Keys of the current index (KeyLength bytes, buffers of kMaxKeyLength); in natural order
  // the key is empty and searches and ranges do nothing.
  int KeyLength() const;
  // The current index's key of a record buffer.
  void BuildKey(const uint8_t* record, uint8_t* key) const;
  // The record-state key of a record buffer: state byte, ordered auto-increment value.
  void BuildRecordStateKey(const uint8_t* record, uint8_t* key) const;
  // Sign of a - b over at most length bytes in the current index's order.
  int CompareKeys(const uint8_t* a, const uint8_t* b, int length) const;
  // Bytes from `from` to the key length become the lowest (highest) byte values: the lowest
  // (highest) collation character in string values of a table with a language, 0 (255) in
  // presence bytes and every other value.
  void FillLow(uint8_t* key, int from) const;
  void FillHigh(uint8_t* key, int from) const;
  // Whole keys below (above) every key: presence bytes 0 (1) and values as the fills.
  void LowestKey(uint8_t* key) const;
  void HighestKey(uint8_t* key) const;
  // The first n bytes as one big-endian number plus (minus) one; answers false and leaves the
  // bytes alone when they are all 255 (all 0).
  static bool IncrementKey(uint8_t* key, int n);
  static bool DecrementKey(uint8_t* key, int n);
  // Whether an equal key is in the current index; UniqueViolation: and the index is unique.
  bool KeyExists(const uint8_t* key);
  bool UniqueViolation(const uint8_t* key);
  // Whether a key lies between the range keys (always without a range).
  bool KeyInRange(const uint8_t* key) const;

  // Limits the cursor to the keys from low to high. Each bound is a key (isKey) or a record
  // buffer whose key is built; a field count between 1 and the index's fields less one, or any
  // count on a non-unique index, bounds only by that many fields (0: all of them). A null bound
  // leaves that end open. The cursor stays on its record when it is in range.
  void SetRange(bool isKey, const uint8_t* low, int lowFieldCount, const uint8_t* high, int highFieldCount);
  void CancelRange();
  bool RangeActive() const { return FRangeActive; }
  // Goes to a key (isKey) or to the key of a record buffer. A field count or partial length
  // (characters of the field after the counted ones) makes the search partial: the first key
  // with that prefix, found or not; otherwise an exact search, which with nearest stops on the
  // first key above. Answers whether the key was found; the record reached is copied to
  // recordOut when given. A search past the last key leaves the cursor on the last record.
  bool FindKey(bool isKey, const uint8_t* source, uint8_t* recordOut, int partialLength, bool nearest,
               int fieldCount);

  // Records with keys from low to high of the current index: their count, or their bits set in
  // a cleared bitmap. Empty when low sorts above high.
  uint32_t CountKeysInRange(const uint8_t* low, const uint8_t* high);
  void SetBitsInKeyRange(const uint8_t* low, const uint8_t* high, TRecordsBitmap& bitmap);
  // The bits of the records whose keys lie in the cursor's range set in a bitmap of the caller's
  // size; without a range every bit is cleared.
  void SetRangeBits(TRecordsBitmap& bitmap);

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
  std::function<bool()> FPasswordCallback;

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

  // ---- Password ----
  void RequestPassword();

  // ---- Keys, ranges and key search ----
  // Fills from `from` with the values that put the key first (last) in the index's order,
  // segment by segment, whatever the index's and the fields' directions.
  void FillFirst(uint8_t* key, int from) const;
  void FillLast(uint8_t* key, int from) const;
  void FillKey(uint8_t* key, int from, bool lowest, bool inIndexOrder) const;
  // Σ(stored size + 1) of the first n index fields.
  int SegmentsSize(int n) const;
  // A range bound or search key from a key or a record buffer, bounded by fieldCount fields.
  void BoundKey(bool isKey, const uint8_t* source, int fieldCount, bool low, uint8_t* key) const;
  void SetRangeKeys(const uint8_t* low, const uint8_t* high);
  void ClearRange();
  bool RangeApplies() const;
  void ComputeRangeOrdinals();
  void BuildRangeBitmap();
  // Goes to the key or, with nearest, to the first visible key above it; keepEndState keeps a
  // cursor that stood on a crack on it.
  bool SeekKey(const uint8_t* key, bool nearest, bool keepEndState);
  void SeekNearest(const TKeyLocation& notBelow);
  void KeepEndState(bool atBeginning, bool atEnd);
  bool EntryVisible(uint32_t recordNumber) const;
  // Re-finds the current record after the order, range or visible set changed.
  void ResyncToCurrentRecord();

  TCharacterMap FCollationOrder{};
  std::vector<uint8_t> FRangeLowKey;
  std::vector<uint8_t> FRangeHighKey;
  bool FRangeActive = false;

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
  bool FUserRecordIds = false;
};

}  // namespace sklad
