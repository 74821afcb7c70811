#include "engine/storage/file/MemoryFile.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/storage/core/EngineError.h"
#include "engine/storage/file/FileHandler.h"
#include "engine/storage/file/FileList.h"

namespace sklad {
namespace {

TEST(MemoryFile, GrowsInStepsAndTruncatesWithAZeroByteWrite) {
  TMemoryFile file("m.dat");
  const int h = file.CreateNew();
  std::string data(70000, 'x');
  EXPECT_EQ(file.Write(h, data.data(), 10), 10);
  EXPECT_EQ(file.BlockCapacity(), 65535);
  EXPECT_EQ(file.Write(h, data.data(), 70000), 70000);
  EXPECT_EQ(file.Size(), 70010);
  EXPECT_EQ(file.BlockCapacity(), 2 * 65535);

  EXPECT_EQ(file.Seek(h, 5, TSeekOrigin::Start), 5);
  EXPECT_EQ(file.Write(h, nullptr, 0), 0);  // truncates at the position, keeps the block
  EXPECT_EQ(file.Size(), 5);
  EXPECT_EQ(file.BlockCapacity(), 2 * 65535);
  EXPECT_EQ(file.Seek(h, 0, TSeekOrigin::End), 5);

  file.Seek(h, 0, TSeekOrigin::Start);
  file.Write(h, nullptr, 0);  // truncating at 0 frees the block
  EXPECT_EQ(file.Size(), 0);
  EXPECT_EQ(file.BlockCapacity(), 0);
}

TEST(MemoryFile, ReadsStopAtTheSizeAndGapsReadAsZero) {
  TMemoryFile file("m.dat");
  const int h = file.CreateNew();
  file.Write(h, "abcdef", 6);
  file.Seek(h, 2, TSeekOrigin::Start);
  file.Write(h, nullptr, 0);  // size 2; "cdef" stays in the block
  file.Seek(h, 4, TSeekOrigin::Start);
  file.Write(h, "Z", 1);  // the gap between the old size and the write must not show stale bytes

  char buffer[8] = {};
  file.Seek(h, 0, TSeekOrigin::Start);
  EXPECT_EQ(file.Read(h, buffer, 8), 5);
  EXPECT_EQ(std::string(buffer, 5), std::string("ab\0\0Z", 5));
  EXPECT_EQ(file.Read(h, buffer, 8), 0);  // at the end
  file.Seek(h, 100, TSeekOrigin::Start);
  EXPECT_EQ(file.Read(h, buffer, 8), 0);  // past the size
  file.Seek(h, -3, TSeekOrigin::Start);
  EXPECT_EQ(file.Read(h, buffer, 8), 0);  // negative position
}

TEST(MemoryFile, LocksExcludeOverlapsAndUnlockNeedsTheExactRange) {
  TMemoryFile file("m.dat");
  EXPECT_TRUE(file.LockRange(100, 10));  // 100..109
  EXPECT_FALSE(file.LockRange(105, 1));  // starts inside
  EXPECT_FALSE(file.LockRange(95, 6));   // covers the start
  EXPECT_FALSE(file.LockRange(0, 200));  // covers all
  EXPECT_TRUE(file.LockRange(110, 5));   // adjacent after
  EXPECT_TRUE(file.LockRange(90, 10));   // adjacent before
  EXPECT_FALSE(file.UnlockRange(100, 9));
  EXPECT_FALSE(file.UnlockRange(101, 10));
  EXPECT_TRUE(file.UnlockRange(100, 10));
  EXPECT_FALSE(file.UnlockRange(100, 10));
  EXPECT_FALSE(file.LockRange(200, 0));
  EXPECT_FALSE(file.LockRange(200, -5));
  const int64_t nearTwoToThe31 = (int64_t{1} << 31) - 2;
  EXPECT_TRUE(file.LockRange(nearTwoToThe31, 4));
  EXPECT_FALSE(file.LockRange(nearTwoToThe31 + 3, 1));
}

TEST(MemoryFile, OutlivesItsLastUserUntilDeleted) {
  {
    TFileHandler writer("KEEP.DAT", /*inMemory=*/true);
    writer.CreateNew();
    writer.Write("kept", 4);
  }
  TFileHandler reader("keep.dat", true);
  reader.Open();
  char buffer[4];
  EXPECT_EQ(reader.ReadAt(0, buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), "kept");

  try {
    TFileHandler("KEEP.DAT", true).Delete();
    FAIL() << "deleted while open";
  } catch (const ESkladEngineError& e) {
    EXPECT_EQ(e.Code(), err::AccessDenied);
  }
  reader.Close();
  reader.Delete();
  EXPECT_FALSE(reader.Exists());
}

TEST(MemoryFile, TemporaryFileDisappearsAtItsLastClose) {
  TFileHandler first("TEMP.DAT", true);
  first.Temporary = true;
  first.CreateNew();
  first.Write("t", 1);
  EXPECT_TRUE(first.Exists());
  first.Close();
  EXPECT_FALSE(first.Exists());
  TFileHandler again("TEMP.DAT", true);
  EXPECT_THROW(again.Open(), ESkladEngineError);
}

}  // namespace
}  // namespace sklad
