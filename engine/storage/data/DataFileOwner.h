// TDataFileOwner: what a data file and its record cache need from the table that owns them —
// the table's read lock before a cache miss touches the file, its session's flush and change
// detection settings, its transaction and sharing state, and the note that it was written to.
// The table object implements it; a data file used on its own (tools, tests) gets
// TStandaloneDataFileOwner, which behaves like a table open exclusively with a primary key.
#pragma once

namespace sklad {

class TDataFileOwner {
 public:
  virtual ~TDataFileOwner() = default;

  // Takes the table's read lock before a cache miss reads the file. Answers true when that found
  // another user's change: the table has then emptied its caches and the caller must restart.
  virtual bool BeginCacheMissRead() = 0;
  // With strict change detection the lock protocol is run by the cursor, not on a cache miss.
  virtual bool StrictChangeDetection() const = 0;
  virtual bool ForceBufferFlush() const = 0;
  virtual bool Exclusive() const = 0;
  virtual bool InTransaction() const = 0;
  // Whether any of the table's files was written to since the table was opened.
  virtual bool WrittenTo() const = 0;
  virtual void MarkWrittenTo() = 0;
  // Tables with a primary key reuse deleted record slots; the others always append.
  virtual bool HasPrimaryKey() const = 0;
};

class TStandaloneDataFileOwner final : public TDataFileOwner {
 public:
  bool BeginCacheMissRead() override { return false; }
  bool StrictChangeDetection() const override { return false; }
  bool ForceBufferFlush() const override { return false; }
  bool Exclusive() const override { return true; }
  bool InTransaction() const override { return false; }
  bool WrittenTo() const override { return FWrittenTo; }
  void MarkWrittenTo() override { FWrittenTo = true; }
  bool HasPrimaryKey() const override { return true; }

 private:
  bool FWrittenTo = false;
};

}  // namespace sklad
