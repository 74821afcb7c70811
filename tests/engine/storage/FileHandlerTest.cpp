#include "engine/storage/file/FileHandler.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <thread>

#include "engine/storage/core/EngineError.h"
#include "engine/storage/file/FileList.h"
#include "tests/support/TempDir.h"

namespace sklad {
namespace {

using sklad::testing::TempDir;

// The engine code a call raises, 0 when it raises nothing.
template <typename Call>
int RaisedCode(Call call) {
  try {
    call();
  } catch (const ESkladEngineError& e) {
    return e.Code();
  }
  return 0;
}

TEST(FileHandler, HandleNumbersStayUniqueAfterAnEarlierClose) {
  TempDir dir;
  const std::string path = dir.Write("T.DAT", "0123456789");
  TFileHandler first(path, false), second(path, false), third(path, false);
  first.Open();
  second.Open();
  first.Close();
  third.Open();
  EXPECT_NE(third.HandleNumber(), second.HandleNumber());
  EXPECT_EQ(third.File(), second.File());  // one shared file object

  // Each user still reaches the file through its own handle.
  char a[3], b[3];
  EXPECT_EQ(second.ReadAt(0, a, 3), 3);
  EXPECT_EQ(third.ReadAt(7, b, 3), 3);
  EXPECT_EQ(std::string(a, 3), "012");
  EXPECT_EQ(std::string(b, 3), "789");
  second.Close();
  EXPECT_EQ(third.ReadAt(4, b, 2), 2);
}

TEST(FileHandler, FindsNamesRegardlessOfLetterCaseAndBackslashes) {
  TempDir dir;
  std::filesystem::create_directory(dir.Path() / "DIR");
  dir.Write("DIR/T.DAT", "upper");
  for (const std::string& name : {dir / "DIR/t.dat", dir / "dir\\t.dat", dir / "Dir\\T.Dat"}) {
    TFileHandler handler(name, false);
    EXPECT_TRUE(handler.Exists()) << name;
    handler.Open();
    char buffer[5];
    EXPECT_EQ(handler.ReadAt(0, buffer, 5), 5) << name;
    EXPECT_EQ(std::string(buffer, 5), "upper");
  }
}

TEST(FileHandler, BadNamesAndMissingFilesRaiseTheirCodes) {
  TempDir dir;
  std::filesystem::create_directory(dir.Path() / "sub.dat");
  struct Case {
    std::string name;
    int code;
  } cases[] = {
      {"", err::InvalidPath},
      {"   ", err::InvalidPath},
      {dir / ".DAT", err::InvalidPath},      // only an extension: refused before the disk is asked
      {dir / "missing.dat", err::InvalidPath},
      {dir / "nodir/x.dat", err::InvalidPath},
      {dir / "sub.dat", err::InvalidPath},   // a directory is not a file
  };
  for (const Case& c : cases) {
    TFileHandler handler(c.name, false);
    EXPECT_EQ(RaisedCode([&] { handler.Open(); }), c.code) << c.name;
    EXPECT_FALSE(handler.IsOpen());
    EXPECT_EQ(RaisedCode([&] { handler.Delete(); }), c.name == dir / "sub.dat" ? err::AccessDenied : err::InvalidPath)
        << c.name;
  }
  EXPECT_EQ(RaisedCode([&] { TFileHandler(dir / ".DAT", false).CreateNew(); }), err::InvalidPath);
  EXPECT_EQ(RaisedCode([&] { TFileHandler(dir / "sub.dat", false).CreateNew(); }), err::AccessDenied);
  EXPECT_EQ(RaisedCode([&] { TFileHandler(dir / "nodir/x.dat", false).CreateNew(); }), err::InvalidPath);
}

TEST(FileHandler, ReadOnlyFileOpensForReadingEvenWhenWritingWasWanted) {
  TempDir dir;
  const std::string path = dir.Write("RO.DAT", "read only");
  chmod(path.c_str(), 0444);
  TFileHandler handler(path, false);
  handler.Open();
  EXPECT_TRUE(handler.ReadOnly());
  char buffer[4];
  EXPECT_EQ(handler.ReadAt(0, buffer, 4), 4);
  EXPECT_EQ(RaisedCode([&] { handler.WriteAt(0, "x", 1); }), err::WriteError);
  // Locks on a file opened for reading still work.
  EXPECT_TRUE(handler.LockRange(int64_t{1} << 31, 1));
  EXPECT_TRUE(handler.UnlockRange(int64_t{1} << 31, 1));
}

TEST(FileHandler, OpenedForReadingTakesNoWritesAndKeepsWritersOfTheProcessOut) {
  TempDir dir;
  const std::string path = dir.Write("R.DAT", "readable");
  TFileHandler reader(path, false);
  reader.ForReading = true;
  reader.Open();
  char buffer[4];
  EXPECT_EQ(reader.ReadAt(0, buffer, 4), 4);
  EXPECT_EQ(RaisedCode([&] { reader.WriteAt(0, "x", 1); }), err::WriteError);
  EXPECT_TRUE(reader.LockRange(int64_t{1} << 31, 1));
  EXPECT_TRUE(reader.UnlockRange(int64_t{1} << 31, 1));
  // Another reader shares the file; a writer would find every write failing, so it is refused.
  TFileHandler secondReader(path, false);
  secondReader.ForReading = true;
  secondReader.Open();
  TFileHandler writer(path, false);
  EXPECT_EQ(RaisedCode([&] { writer.Open(); }), err::AccessDenied);
  reader.Close();
  secondReader.Close();
  writer.Open();
  writer.WriteAt(0, "w", 1);
  EXPECT_EQ(writer.ReadAt(0, buffer, 1), 1);
  EXPECT_EQ(buffer[0], 'w');
}

TEST(FileHandler, ShortReadsAndWritesRaiseUnlessAllowed) {
  TempDir dir;
  TFileHandler handler(dir / "S.DAT", false);
  handler.CreateNew();
  handler.WriteAt(0, "abc", 3);
  char buffer[10];
  EXPECT_EQ(RaisedCode([&] { handler.ReadAt(1, buffer, 10); }), err::ReadError);
  EXPECT_EQ(handler.ReadAt(1, buffer, 10, /*shortReadAllowed=*/true), 2);
  TFileHandler closed(dir / "S.DAT", false);
  EXPECT_EQ(RaisedCode([&] { closed.Read(buffer, 1); }), err::ReadError);
  EXPECT_EQ(RaisedCode([&] { closed.Write(buffer, 1); }), err::WriteError);
  EXPECT_EQ(closed.Seek(5, TSeekOrigin::Start), 0);
  EXPECT_FALSE(closed.LockRange(0, 1));
}

TEST(FileHandler, GetSizeKeepsThePositionAndZeroByteWriteSetsTheEnd) {
  TempDir dir;
  TFileHandler handler(dir / "G.DAT", false);
  handler.CreateNew();
  handler.Write("0123456789", 10);
  handler.Seek(4, TSeekOrigin::Start);
  EXPECT_EQ(handler.GetSize(), 10);
  EXPECT_EQ(handler.Seek(0, TSeekOrigin::Current), 4);
  handler.Write(nullptr, 0);
  EXPECT_EQ(handler.GetSize(), 4);
  EXPECT_EQ(std::filesystem::file_size(dir / "G.DAT"), 4u);
}

TEST(FileHandler, LocksOfZeroOrNegativeLengthAnswerFalse) {
  TempDir dir;
  TFileHandler handler(dir / "L.DAT", false);
  handler.CreateNew();
  EXPECT_FALSE(handler.LockRange(10, 0));
  EXPECT_FALSE(handler.LockRange(10, -1));
  EXPECT_FALSE(handler.UnlockRange(10, 0));
  EXPECT_FALSE(handler.LockRange(-4, 2));
}

TEST(FileHandler, ExclusiveAndSharedOpensInOneProcess) {
  TempDir dir;
  const std::string path = dir.Write("E.DAT", "e");
  TFileHandler exclusive(path, false), shared(path, false);
  exclusive.Exclusive = true;
  exclusive.Open();
  EXPECT_EQ(RaisedCode([&] { shared.Open(); }), err::AccessDenied);
  EXPECT_EQ(RaisedCode([&] { TFileHandler(path, false).CreateNew(); }), err::AccessDenied);
  EXPECT_EQ(RaisedCode([&] { TFileHandler(path, false).Delete(); }), err::AccessDenied);
  exclusive.Close();
  shared.Open();
  TFileHandler second(path, false);
  second.Open();
  EXPECT_EQ(second.File(), shared.File());
  TFileHandler wantsExclusive(path, false);
  wantsExclusive.Exclusive = true;
  EXPECT_EQ(RaisedCode([&] { wantsExclusive.Open(); }), err::AccessDenied);
}

TEST(FileHandler, CopyToAndCopyFromMoveWholeFilesInChunks) {
  TempDir dir;
  std::string content(200000, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  const std::string source = dir.Write("SRC.DAT", content);

  TFileHandler handler(source, false);
  handler.Open();
  handler.CopyTo(dir / "COPY.DAT");
  TFileHandler copy(dir / "COPY.DAT", false);
  copy.Open();
  EXPECT_EQ(copy.GetSize(), 200000);
  copy.Close();

  TFileHandler target(dir / "APPEND.DAT", false);
  target.CreateNew();
  target.Write("head", 4);
  target.CopyFrom(dir / "COPY.DAT");  // written at the current position
  EXPECT_EQ(target.GetSize(), 200004);
  std::string back(200000, '\0');
  target.ReadAt(4, back.data(), 200000);
  EXPECT_EQ(back, content);

  // The copy's source must be free: it is opened exclusively.
  EXPECT_EQ(RaisedCode([&] { target.CopyFrom(source); }), err::AccessDenied);
  // The target of a copy must not be in use.
  copy.Open();
  EXPECT_EQ(RaisedCode([&] { handler.CopyTo(dir / "COPY.DAT"); }), err::AccessDenied);
}

TEST(FileHandler, RenameRefusesAnExistingTargetAndFilesInUse) {
  TempDir dir;
  dir.Write("A.DAT", "a");
  dir.Write("B.DAT", "b");
  TFileHandler a(dir / "A.DAT", false);
  EXPECT_NE(RaisedCode([&] { a.Rename(dir / "B.DAT"); }), 0);
  EXPECT_EQ(std::filesystem::file_size(dir / "B.DAT"), 1u);
  a.Rename(dir / "C.DAT");
  EXPECT_EQ(a.FileName(), dir / "C.DAT");
  a.Open();
  TFileHandler c(dir / "C.DAT", false);
  EXPECT_EQ(RaisedCode([&] { c.Rename(dir / "D.DAT"); }), err::AccessDenied);
}

TEST(FileHandler, TemporaryFileOnDiskDisappearsAtItsLastClose) {
  TempDir dir;
  TFileHandler first(dir / "TMP.DAT", false);
  first.Temporary = true;
  first.CreateNew();
  first.Write("x", 1);
  EXPECT_TRUE(std::filesystem::exists(dir / "TMP.DAT"));
  first.Close();
  EXPECT_FALSE(std::filesystem::exists(dir / "TMP.DAT"));
}

// Users on several threads share the file's one position; a seek and its read are one step.
TEST(FileHandler, ConcurrentPositionedReadsSeeTheirOwnBytes) {
  TempDir dir;
  std::string content(4096, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i / 16);
  const std::string path = dir.Write("P.DAT", content);
  auto readMany = [&](int& wrong) {
    TFileHandler handler(path, false);
    handler.Open();
    for (int i = 0; i < 3000; ++i) {
      const int64_t offset = (i * 37 % 256) * 16;
      char buffer[16];
      handler.ReadAt(offset, buffer, 16);
      if (buffer[0] != static_cast<char>(offset / 16) || buffer[15] != buffer[0]) ++wrong;
    }
  };
  int wrongA = 0, wrongB = 0;
  std::thread a(readMany, std::ref(wrongA)), b(readMany, std::ref(wrongB));
  a.join();
  b.join();
  EXPECT_EQ(wrongA + wrongB, 0);
}

}  // namespace
}  // namespace sklad
