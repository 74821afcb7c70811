#include "IndexBulkLoad.h"

#include <algorithm>

#include "engine/storage/core/EngineError.h"

namespace sklad {

// ---- One level ----

TIndexBulkLoad::TLevelWriter::TLevelWriter(TIndexFile& file, int slot, TPageType type, TLevelEntries& out)
    : FFile(file), FSlot(slot), FType(type), FOut(out) {}

TIndexBulkLoad::TLevelWriter::~TLevelWriter() {
  FFile.ReleasePage(FPrevious);
  FFile.ReleasePage(FCurrent);
}

void TIndexBulkLoad::TLevelWriter::Record(const TPage& page) {
  FOut.Keys.insert(FOut.Keys.end(), page.Key(0), page.Key(0) + page.KeyLength());
  FOut.Offsets.push_back(page.Offset);
  FOut.Counts.push_back(page.KeyCount());
}

void TIndexBulkLoad::TLevelWriter::StartPage() {
  TPage* page = FFile.NewPage(FSlot);
  page->SetType(FType);
  if (FCurrent != nullptr) {
    FCurrent->Next = page->Offset;
    page->Previous = FCurrent->Offset;
  }
  if (FPrevious != nullptr) {
    Record(*FPrevious);
    FFile.ReleasePage(FPrevious);
  }
  FPrevious = FCurrent;
  FCurrent = page;
}

void TIndexBulkLoad::TLevelWriter::Add(const uint8_t* key, uint32_t value, uint32_t count) {
  if (FCurrent == nullptr || (!FCurrent->Compressed() && FCurrent->Count() == FCurrent->Capacity())) StartPage();
  FCurrent->Insert(FCurrent->Count(), key, value, count);
  if (FCurrent->Overfull()) {
    // A compressed leaf is full when its stored entries no longer fit.
    FCurrent->Remove(FCurrent->Count() - 1);
    StartPage();
    FCurrent->Insert(0, key, value, count);
  }
}

void TIndexBulkLoad::TLevelWriter::ShareWithPrevious() {
  // The same sharing a delete leaves behind: the left page the first half, rounded up.
  const int total = FPrevious->Count() + FCurrent->Count();
  const int leftKeeps = (total + 1) / 2;
  FPrevious->MoveEntriesTo(*FCurrent, leftKeeps, FPrevious->Count() - leftKeeps, 0);
}

TPage* TIndexBulkLoad::TLevelWriter::Close() {
  if (FCurrent == nullptr) return nullptr;
  if (FPrevious == nullptr && FOut.Count() == 0) {
    TPage* only = FCurrent;
    FCurrent = nullptr;
    return only;
  }
  if (FPrevious != nullptr) {
    if (FCurrent->Underfull()) ShareWithPrevious();
    Record(*FPrevious);
    FFile.ReleasePage(FPrevious);
    FPrevious = nullptr;
  }
  Record(*FCurrent);
  FFile.ReleasePage(FCurrent);
  FCurrent = nullptr;
  return nullptr;
}

// ---- The whole tree ----

TIndexBulkLoad::TIndexBulkLoad(TIndexFile& file, int slot)
    : FFile(file), FSlot(slot), FLeafWriter(file, slot, TPageType::Leaf, FLeaves) {
  if (file.Root(slot) != 0) RaiseEngineError(err::IndexBuffersCorrupt, file.FileName());
}

TIndexBulkLoad::~TIndexBulkLoad() = default;

void TIndexBulkLoad::Add(const uint8_t* key, uint32_t recordNumber) { FLeafWriter.Add(key, recordNumber, 1); }

void TIndexBulkLoad::Finish() {
  TPage* top = FLeafWriter.Close();
  TPageType rootType = TPageType::LeafRoot;
  TLevelEntries below = std::move(FLeaves);
  while (top == nullptr && below.Count() > 0) {
    TLevelEntries above;
    TLevelWriter writer(FFile, FSlot, TPageType::Internal, above);
    const size_t keyLength = below.Keys.size() / below.Count();
    for (size_t i = 0; i < below.Count(); ++i)
      writer.Add(below.Keys.data() + i * keyLength, below.Offsets[i], below.Counts[i]);
    top = writer.Close();
    rootType = TPageType::InternalRoot;
    below = std::move(above);
  }
  if (top == nullptr) return;  // no keys at all
  top->SetType(rootType);
  top->Modified = true;
  FFile.SetRoot(FSlot, top->Offset);
  FFile.ReleasePage(top);
}

}  // namespace sklad
