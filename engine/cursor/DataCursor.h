// TDataCursor: the engine's cursor over one table — opening and sharing the table object,
// natural or index order, the live-records, range, filter and visible bitmaps, navigation with
// record numbers, counts and bookmarks, keys and ranges, BLOB values opened in memory, and the
// resynchronisation every operation starts with.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "CursorColumns.h"
#include "CursorIndex.h"
#include "Filter.h"
#include "RecordsBitmap.h"
#include "TableDefinitionCheck.h"
#include "engine/expression/ExpToken.h"
#include "engine/storage/blob/BlobBuffer.h"
#include "engine/storage/data/DataFileHeader.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/language/LanguageCharMaps.h"
#include "engine/storage/data/FieldDefinition.h"
#include "engine/storage/index/IndexDefinition.h"
#include "engine/storage/sort/RecordSort.h"
#include "engine/storage/core/SystemList.h"

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
  // The fields the cursor shows: the table's, or its own definitions (below). Reads a field of a
  // record buffer; dest (may be null) receives the value bytes. Answers whether the field is
  // null. 9985 for an unknown field number.
  bool GetField(int fieldNo, const uint8_t* record, uint8_t* dest) const;
  int FieldCount() const { return FOwnFieldDefinitions ? FOwnFields.Count() : FFields.Count(); }
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

  // ---- Filters (DataCursorFilters.cpp) ----
  static constexpr int kMaxFilters = 64;
  // Compiles a filter text against the table's fields (10051 on a fault). Every AddFilter raises
  // 9482 when the cursor has kMaxFilters filters already; a new filter is inactive.
  TFilter* AddFilter(std::string_view text, bool noPartialCompare, bool caseInsensitive, bool costRule = true,
                     bool afterExpressions = false);
  // A bound and prepared tree; with ownsExpression the filter frees it.
  TFilter* AddFilter(TExpToken* expression, bool ownsExpression, bool costRule, bool afterExpressions);
  TFilter* AddFilter(TRecordFilterCallback callback, void* callbackOwner, bool costRule = true,
                     bool afterExpressions = true);
  // 10050 for a filter that is not this cursor's. Deactivate and drop take null for every filter.
  void ActivateFilter(TFilter* filter);
  void DeactivateFilter(TFilter* filter);
  void DropFilter(TFilter* filter);
  // 10050 unless the filter is this cursor's and active; nothing for a null tree.
  void ReplaceFilterExpression(TExpToken* expression, TFilter* filter);
  int FilterCount() const { return FFilters.Count(); }
  TFilter* FilterAt(int i) const { return FFilters[i].get(); }
  bool BitmapNavigation() const { return FBitmapNavigation; }
  // Records read from the table and tested by filter evaluation, since the cursor was created.
  int64_t FilterRecordsRead() const { return FFilterRecordsRead; }
  // Whether a bound and prepared tree over the table's fields holds for a record buffer, evaluated
  // as the cursor's filters evaluate it.
  bool ExpressionHolds(const TExpToken& expression, const uint8_t* record);

  // ---- Filter evaluation through indexes (FilterIndexLevel.cpp, FilterIndexRanges.cpp) ----
  // 0: the node needs record-by-record tests; 1: part of it can use an index; 2: all of it can.
  // Stored in every node visited; an AND puts its better operand first. With the count rule (the
  // SQL planner's) a part below the root that matches over 90% of the records counts as 0.
  uint8_t FilterOptimizationLevel(TOperator parent, TExpToken& node, bool countRule);

  // ---- BLOB access (DataCursorBlobs.cpp) ----
  // Results are engine error codes, 0 for success. While open, the record holds a negative
  // handle in place of the value's first block offset.
  static constexpr int kMaxOpenBlobs = 64;
  static constexpr uint8_t kBlobRead = 1;
  static constexpr uint8_t kBlobWrite = 2;
  // closeTag 0: a dataset stream's value; 1: opened by the engine.
  int OpenBlob(int fieldNo, uint8_t* record, int closeTag, uint8_t mode);
  // 0, or 8711 when fewer than wanted bytes remain (count says how many were copied).
  int ReadBlob(int fieldNo, const uint8_t* record, int32_t& count, int32_t wanted, uint8_t* dest, int32_t offset);
  int WriteBlob(int fieldNo, const uint8_t* record, int32_t count, const uint8_t* source, int32_t offset);
  int TruncateBlob(int fieldNo, const uint8_t* record, int32_t newLength);
  int GetBlobSize(int fieldNo, const uint8_t* record, int32_t& length);
  int CloseBlob(int fieldNo, uint8_t* record, int closeTag);
  bool IsOpenBlob(int32_t handle) const { return FindBlob(handle) != nullptr; }
  // all: every open value; otherwise those opened by the engine (close tag 1).
  void FreeBlobBuffers(bool all);
  // The same over the table's own field numbers, whatever definitions the cursor shows.
  int OpenTableBlob(int fieldNo, uint8_t* record, int closeTag, uint8_t mode);
  int ReadTableBlob(int fieldNo, const uint8_t* record, int32_t& count, int32_t wanted, uint8_t* dest,
                    int32_t offset);
  int WriteTableBlob(int fieldNo, const uint8_t* record, int32_t count, const uint8_t* source, int32_t offset);
  int TruncateTableBlob(int fieldNo, const uint8_t* record, int32_t newLength);
  int GetTableBlobSize(int fieldNo, const uint8_t* record, int32_t& length);
  int CloseTableBlob(int fieldNo, uint8_t* record, int closeTag);
  // The whole value of a BLOB field (the table's field number) of a record buffer, read through a
  // buffer the engine opens and closes on a copy of the record; raises the access's error code.
  std::vector<uint8_t> ReadWholeTableBlob(int fieldNo, const uint8_t* record);
  int OpenBlobCount() const { return FBlobBuffers.Count(); }
  // The BLOB steps of posting a record, under the table's write lock: new identifiers for the
  // modified values, their chains written (or freed when empty), every open value's first block
  // offset back into the record, and the engine's buffers freed. Answers whether any value was
  // written.
  bool PostBlobs(uint8_t* record);
  // Before a delete: every BLOB value of the record opened and emptied, so posting frees it.
  void EmptyAllBlobs(uint8_t* record);
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
  // Writes a field of a record buffer; value null makes the field null. A computed field is
  // written only with allowComputed; after an ordinary field the computed fields are evaluated
  // again into the buffer.
  void PutField(int fieldNo, uint8_t* record, const uint8_t* value, bool allowComputed = false);
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

  // ---- Table definition (DataCursorTables.cpp, DataCursorRestructure.cpp) ----
  // On a closed cursor (10031 when open), for the table the cursor names, on disk or in memory
  // as the cursor is set. CreateTable checks the definition before any file is made; an existing
  // table is replaced only with overwrite, else 13060.
  void CreateTable(TTableDefinition definition, bool overwrite);
  void DeleteTable();
  void RenameTable(std::string_view newName);
  // The data file's header, read without opening the table.
  TDataFileHeader ReadTableHeader() const;
  // On an open cursor held exclusively (10253) and not read-only (11013). Empties the table's
  // files down to their definitions: no records, record numbers and auto-increment values start
  // again at 1; the cursor goes to the beginning.
  void EmptyTable();
  // The table rebuilt with a new definition. A field takes the values of the old field whose
  // number it carries (0: a new field, given its default), converted as the expression
  // language's casts convert; a value that cannot be converted, or a BLOB for a field that is
  // none, is left out (the field keeps its default, null without one), and a record the new
  // table refuses (a duplicate key, a limit) is left out. A last auto-increment value of -1
  // keeps the table's. The cursor is opened afresh (own field definitions, filters and a range
  // go) and left open on the new table. Any failure leaves the old table as it was. With
  // keepBackup a table that was rebuilt keeps its old files as ".DBK", ".IBK" and ".BBK" files.
  void Restructure(TTableDefinition definition, int64_t lastAutoIncrement = -1, bool keepBackup = false);

  // ---- Own field definitions and computed fields (DataCursorOwnFields.cpp) ----
  // One field the cursor shows in place of the table's: a stored field of the table under the
  // definition's name (SourceField, the table's field number), or a field computed per record
  // from a bound expression over the table's fields (SourceField 0).
  struct TOwnField {
    TFieldDefinition Definition;
    int SourceField = 0;
    const TExpToken* Expression = nullptr;
  };
  // Installs copies of the definitions on the open cursor, numbered 1..n in the given order:
  // stored fields keep their place in the record, computed fields are laid out after the stored
  // record. No record data is copied. The definitions last until Close or the next call.
  void SetOwnFieldDefinitions(const std::vector<TOwnField>& fields);
  bool OwnFieldDefinitions() const { return FOwnFieldDefinitions; }
  bool HasComputedFields() const { return FHasComputedFields; }
  // The table's field number behind a shown field; 0 for a computed one.
  int TableFieldNumber(int fieldNo) const;

  // The table's fields as the expression language resolves and fetches them.
  TCursorColumns& Columns() const { return *FColumns; }

  // The table's own definitions and values, whatever the cursor shows.
  int TableFieldCount() const { return FFields.Count(); }
  const TFieldDefinition& TableField(int fieldNo) const;
  bool GetTableField(int fieldNo, const uint8_t* record, uint8_t* dest) const;
  void PutTableField(int fieldNo, uint8_t* record, const uint8_t* value) const;

  // ---- Index definition and the table sort (DataCursorIndexes.cpp, DataCursorSort.cpp) ----
  // Each needs an open cursor holding its table exclusively (10253) and not read-only (11013),
  // and leaves the cursor at the beginning.
  // Adds an index (a definition without a name is the primary index) and builds it from the
  // records. A new unique index keeps the first record of every key: the later ones are deleted
  // from the table, BLOB values included. The cursor keeps its current index.
  void AddIndex(const TIndexDefinition& definition);
  // Removes an index (the primary one by the empty name) with its pages and selects index 0.
  // 10022 for a name no index has.
  void DeleteIndex(std::string_view name);
  // 0 removes the primary index, only when allowPrimary (10055 otherwise); 10022 for a number
  // beyond the secondary indexes.
  void DeleteIndexByNumber(int number, bool allowPrimary);
  // Makes the record-state index afresh from the records and recounts the active ones; the table
  // has no primary key afterwards. Open does this itself when the index file had to be created.
  void RebuildRecordStateIndex();
  // Sorts a table without any index through the record sort and builds its record-state index
  // for the new record numbers; a table with an index is left as it is. The run files go to the
  // session's temporary directory (the request's RunDirectory is ignored). Answers the number
  // of active records afterwards.
  int32_t SortTable(TSortRequest request);

  // ---- Records a definition change would leave out ----
  // Off by default: a restructure leaves out the records the new table refuses and a new unique
  // index deletes the later records of a key. On, such a change fails instead with the refusal
  // (the duplicate key, the missing required value, ...) and the table stays as it was.
  void SetRefuseRecordLoss(bool value) { FRefuseRecordLoss = value; }
  bool RefuseRecordLoss() const { return FRefuseRecordLoss; }

 private:
  friend class TFilter;
  friend class TCursorColumns;
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
  // direction 1 forward, 2 backward: the records that follow in that direction are read with it;
  // kLandingRead: a search landed on one record, which is read alone. The record loaded is
  // checked (CheckReachedRecord).
  static constexpr int kLandingRead = 0;
  void LoadCurrentRecord(int direction);
  // A record reached through an index or the visible set must be the one they promised: active
  // (the record-state index gave it as live), carrying the key of the index entry it was reached
  // by, and passing every filter part an index walk answered. Raises 8965 otherwise, leaving the
  // cursor on no record. The record is in memory already: the check reads nothing. Not checked: a
  // record held on a crack (reading delivers none) and the cursor's own unresynchronised change.
  void CheckReachedRecord();
  bool ReachedRecordSound();
  // Whether the parts of a filter expression that were answered by index walks hold for a record.
  // The parts tested record by record were tested on this very record when the bitmap was built.
  bool IndexedPartsHold(const TExpToken& expression, const uint8_t* record);
  // Natural order: how many visible records from the current one on follow each other by number.
  int32_t CountConsecutive(int32_t count, int direction);
  // Index order: the numbers of up to count visible records from the current one on, into FUpcoming.
  void CollectUpcoming(int32_t count, int direction);
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
  std::vector<int32_t> FUpcoming;

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

  // ---- Filters ----
  TFilter* InsertFilter(std::unique_ptr<TFilter> filter);
  int FilterIndex(const TFilter* filter) const;
  void CheckFilterRoom() const;
  void UpdateBitmapNavigation();
  void ApplyFilter(TFilter& filter);
  // Narrows a filter about to be evaluated by the bitmaps of the other active filters; answers
  // whether any did.
  bool NarrowByOtherFilters(TFilter& filter);
  // After a filter went away or changed: every active narrowed filter evaluated again, the
  // expression filters first, so that the callbacks narrowed after them see their new bitmaps.
  void ReapplyNarrowedFilters(const TFilter* changed);
  // Sizes the visible bitmap and builds the range and live bitmaps; false when the table has no
  // records (every bitmap then empty).
  bool PrepareBaseBitmaps();
  // The filter's candidates: range AND live.
  void StartFilterBitmap(TFilter& filter);
  // After a failed evaluation: bitmaps that were never fully tested have been cleared, and nothing
  // is visible until the next rebuild.
  void EmptyVisibleSet();
  void ChangeFilters(TFilter* filter, bool drop);
  // The same filters, in the same order, active where these are. When this cursor's bitmaps are
  // built (it is read under the table's read lock, so they are current), the clone takes them
  // instead of evaluating its filters again: it shows exactly this cursor's records at once.
  void CopyFiltersTo(TDataCursor& clone) const;
  void AdoptBitmaps(const TDataCursor& source);
  void EvaluateNode(TFilter& filter, TRecordsBitmap& bitmap, TExpToken& node, TOperator parent);
  // Record by record: below an AND only the set bits are candidates; under any other parent
  // every active record is tested (deleted ones keep their bit for the live bitmap to remove).
  void EvaluateRecords(TRecordsBitmap& bitmap, const TFilter& filter, const TExpToken* node, TOperator parent);
  // Supplies a column's value to the evaluator; a memo's whole text through the BLOB access.
  void FieldValueCallback(const uint8_t* record, TExpToken& column);

  TSystemList<std::unique_ptr<TFilter>> FFilters;
  std::unique_ptr<TCursorColumns> FColumns;
  int64_t FFilterRecordsRead = 0;
  // Set while a filter tests records in ascending order, so that BLOB values are read ahead.
  bool FScanningRecords = false;

  // ---- Filter evaluation through indexes (FilterIndexRanges.cpp) ----
  // How a constant stands in a key of an index on its column.
  enum class TKeyFit : uint8_t { Exact, NeverEqual, Unknown };
  // Fills the bitmap with the records that satisfy a comparison, IN or BETWEEN of an indexed
  // column; false (bitmap untouched) when no key can stand for a constant exactly. The cost rule
  // allows walking the keys outside an interval instead.
  bool EvaluateThroughIndex(bool costRule, TRecordsBitmap& bitmap, const TExpToken& node);
  // Whether an indexed node matches at most 90% of the table's records.
  bool FewEnoughMatches(const TExpToken& node);
  uint8_t NodeOptimizationLevel(TOperator parent, TExpToken& node, bool countRule);
  // Runs the body with the index of the slot as the current index; the position is untouched.
  template <class TBody>
  void WithIndex(int slot, TBody&& body);
  // The current index's key of a record holding the constant in the field (null when none).
  TKeyFit ConstantKey(int fieldNo, const TExpToken* constant, bool upperSubject, uint8_t* key);
  // The records whose first key field compares with the key's first compareLength bytes as the
  // operator says (=, <>, <, >, <=, >=, IS NULL, IS NOT NULL); nullKey is the key of a null value.
  void SetBitsForComparison(TOperator op, const uint8_t* key, const uint8_t* nullKey, int compareLength,
                            bool costRule, TRecordsBitmap& bitmap);
  // The records of the keys from low to high; with the cost rule and no table language, when
  // most keys lie inside, by walking the keys outside and inverting.
  void SetBitsInInterval(const uint8_t* low, const uint8_t* high, int compareLength, bool costRule,
                         TRecordsBitmap& bitmap);
  // The first and last possible keys whose first compareLength bytes equal the key's.
  void KeyBlock(const uint8_t* key, int compareLength, uint8_t* low, uint8_t* high) const;

  // The first index (primary, then secondary) whose first key field is the field and, for a
  // string field unless anyCase, whose case-insensitivity matches; -1 when none.
  int IndexForField(int fieldNo, bool caseInsensitive, bool anyCase) const;

  // ---- Filtered navigation in index order (DataCursorFilteredNavigation.cpp) ----
  // From the ordinal in direction (1 forward, -1 backward) to the first entry inside the range
  // whose record is visible; false when there is none.
  bool ScanToVisible(uint32_t& ordinal, int direction);
  // n visible entries forward or backward from the current one.
  void MoveByVisible(int32_t n);
  // The visible entry at the ordinal or the next one after it, else the last one before it.
  void PlaceAtVisibleNear(uint32_t ordinal);

  // ---- BLOB access ----
  struct TOpenBlob {
    int32_t Handle = 0;
    std::unique_ptr<TBlobBuffer> Buffer;
  };
  int32_t BlobReference(const TFieldDefinition& field, const uint8_t* record) const;
  // Writes a first block offset or handle into the record and sets the null flag: a value when
  // the offset is positive or names an open value that is not empty.
  void StoreBlobReference(const TFieldDefinition& field, uint8_t* record, int32_t reference) const;
  TBlobBuffer* FindBlob(int32_t handle) const;
  int BlobSlot(int32_t handle) const;
  int32_t NewBlobHandle();
  // The open value the record's field names, or null.
  TBlobBuffer* OpenValue(int fieldNo, const uint8_t* record) const;

  TSystemList<TOpenBlob> FBlobBuffers;
  int32_t FLastBlobHandle = 0;
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
  template <class TBody>
  void WithRecordLocked(int32_t number, TBody&& body);
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
  bool StoreBlobValues(uint8_t* record, const uint8_t* previous);
  // Frees the block chains of a stored record's BLOB values; answers whether any was freed.
  bool FreeRecordBlobs(const uint8_t* record);
  // The insert and delete steps under the record's lock.
  void InsertLocked(uint8_t* buffer, int32_t number, bool resync);
  void DeleteLocked(const uint8_t* buffer, int32_t number, bool resync);
  // The bitmaps and counts after this cursor stored or removed record r.
  void RecountAfterChange(int32_t recordNumber);
  void RecountAfterDelete(int32_t recordNumber);
  bool FUserRecordIds = false;
  // The record this cursor's last change stored or removed without resynchronising: its index
  // entry and the bitmaps were left as they were, so nothing led to it and loading it checks
  // nothing.
  int32_t FChangedRecord = 0;

  // ---- Table definition ----
  // Whether a restructure to the checked definition changes only indexes: the same language,
  // sort, BLOB block size, encryption, description, user versions and field definitions.
  bool OnlyIndexesDiffer(const TTableDefinition& definition) const;
  // The indexes brought to the definition's in place: removed ones deleted, new ones added,
  // changed ones built again.
  void AdjustIndexes(const TTableDefinition& definition);
  TDefinitionCheckOptions DefinitionCheckOptions() const;
  // Restructure's copy of every active record into the cursor of the new table.
  void CopyRecordsInto(TDataCursor& target, const std::vector<int>& sourceFields);
  // One value of a record of this table into a field of the target's record, converted; a value
  // that cannot be converted is left out.
  void CopyValue(int sourceField, uint8_t* source, TDataCursor& target, int targetField, uint8_t* record);
  void CopyBlob(int sourceField, uint8_t* source, TDataCursor& target, int targetField, uint8_t* record);

  // ---- Own field definitions and computed fields ----
  // Evaluates every computed field of the record buffer into it (guarded against re-entry).
  void ComputeFields(uint8_t* record);
  void DropOwnFields();
  // The installed definitions as SetOwnFieldDefinitions takes them (for a clone).
  std::vector<TOwnField> OwnFieldList() const;
  bool FOwnFieldDefinitions = false;
  bool FHasComputedFields = false;
  bool FComputingField = false;
  TSystemList<TFieldDefinition> FOwnFields;
  std::vector<int> FOwnSources;          // per shown field: the table's field number, 0 when computed
  std::vector<TExpTree> FOwnExpressions;  // per shown field: the computed field's expression
  int FStoredRecordSize = 0;              // the table's record, without computed fields

  // Takes a stored record out of every key index but exceptSlot (-1: none), marks it deleted in
  // the record-state index, frees its BLOB values and its slot. Answers whether BLOB blocks were
  // freed.
  bool RemoveStoredRecord(TRecord& stored, int32_t number, int exceptSlot);

  // ---- Index definition and the table sort ----
  void CheckDefinable() const;
  // Builds the empty index of a slot from every record (the record-state index: every slot,
  // deleted ones included) and answers the number of active records. A unique index keeps the
  // first record of a key; the numbers of the others are added to duplicates.
  int32_t BuildIndexFromRecords(int slot, std::vector<int32_t>& duplicates);
  // The record-state index made anew from the records, with the active records counted; the
  // caller holds the write lock and commits.
  void RebuildRecordStates();
  // The repair of a table whose index file was made anew at open, read-only cursor or not.
  void RepairRecreatedIndex();
  // After a change of definitions: index 0 (or the given one) afresh, recounted, at the start.
  void RestartAfterDefinitionChange(int index);

  // ---- Records a definition change would leave out ----
  bool FRefuseRecordLoss = false;
};

}  // namespace sklad
