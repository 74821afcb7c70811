// Tables in one process: opening by name and sharing between cursors, the in-memory database,
// a recreated index file, read-only files, record locks between table objects, transactions,
// index backup and the session's settings.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TableTestSupport.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/core/EngineStartup.h"
#include "tests/support/ChildProcess.h"

namespace sklad {
namespace {

using testing::CatalogueUser;
using testing::EngineErrorCode;

class DataTableTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::CreateCatalogue(Directory()); }

  std::string Directory() const { return FTemp.Path().string(); }
  std::string File(const char* extension) const { return FTemp / (std::string(testing::kCatalogue) + extension); }
  std::vector<uint8_t> Bytes(const char* extension) const {
    std::ifstream in(File(extension), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

  testing::TempDir FTemp;
};

TEST_F(DataTableTest, CursorsOfOneDirectoryShareTheTableObject) {
  TDataSession session;
  TDataDirectory* database = session.OpenDirectory("katalog", Directory());
  EXPECT_EQ(session.OpenDirectory("jiny", Directory() + "/./"), database) << "same universal path";
  TDataTable* first = database->OpenTable(" katalog.dat ", false);
  TDataTable* second = database->OpenTable("KATALOG", false);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first->References(), 2);
  EXPECT_EQ(first->Name(), "katalog.DAT");
  EXPECT_EQ(EngineErrorCode([&] { database->OpenTable("katalog", false, {.Exclusive = true}); }), err::AccessDenied);
  EXPECT_EQ(database->OpenTable("katalog", false, {.Exclusive = true}, true), first);
  EXPECT_EQ(EngineErrorCode([&] { database->DeleteTable("katalog", false); }), err::AccessDenied);
  for (int i = 0; i < 3; ++i) database->CloseTable(first);
  EXPECT_EQ(database->TableCount(), 0);
  EXPECT_EQ(EngineErrorCode([&] { database->CloseTable(first); }), err::InvalidPath);
  EXPECT_EQ(EngineErrorCode([&] { database->OpenTable("  ", false); }), err::InvalidPath);
}

TEST_F(DataTableTest, ExclusiveTableIsUsedByNoOneElse) {
  TDataSession session;
  TDataDirectory* database = session.OpenDirectory("", Directory());
  TDataTable* table = database->OpenTable(testing::kCatalogue, false, {.Exclusive = true});
  EXPECT_EQ(EngineErrorCode([&] { database->OpenTable(testing::kCatalogue, false); }), err::AccessDenied);
  TDataSession otherSession;
  TDataDirectory* other = otherSession.OpenDirectory("", Directory());
  EXPECT_EQ(EngineErrorCode([&] { other->OpenTable(testing::kCatalogue, false); }), err::AccessDenied);
  database->CloseTable(table);
  other->CloseTable(other->OpenTable(testing::kCatalogue, false));
}

TEST(DataSessionTest, MemoryDatabaseInAnyLetterCase) {
  TDataSession session;
  TDataDirectory* memory = session.OpenDirectory("Memory", "/somewhere");
  EXPECT_TRUE(memory->InMemory());
  EXPECT_TRUE(memory->Path().empty());
  EXPECT_EQ(session.OpenDirectory("MEMORY", ""), memory);
  TDataTable* table = memory->CreateTable("pamet", true, testing::CatalogueDefinition());
  EXPECT_TRUE(memory->TableExists("PAMET", true));
  EXPECT_FALSE(memory->TableExists("PAMET", false));
  memory->CloseTable(table);
  EXPECT_TRUE(memory->TableExists("pamet", true)) << "the files stay in the registry";
  memory->DeleteTable("pamet", true);
  EXPECT_FALSE(memory->TableExists("pamet", true));
  EXPECT_EQ(session.CloseDirectory(memory), 0);
  EXPECT_EQ(session.DirectoryCount(), 1) << "opened twice, closed once";
  EXPECT_EQ(session.CloseDirectory(memory), 0);
  EXPECT_EQ(session.DirectoryCount(), 0);
  EXPECT_EQ(session.CloseDirectory(memory), -err::AccessDenied);
}

TEST(DataSessionTest, SettingsPasswordsAndDirectories) {
  TDataSession session;
  EXPECT_EQ(session.LockRetryCount, 15);
  EXPECT_EQ(session.LockWaitTime, 100);
  EXPECT_EQ(session.DefaultDirectory().back(), '/');
  EXPECT_EQ(session.TemporaryDirectory(), session.DefaultDirectory());
  session.SetPrivateDirectory("  ");
  EXPECT_TRUE(session.PrivateDirectory().empty());
  session.SetPrivateDirectory(" /tmp\\soukrome ");
  EXPECT_EQ(session.PrivateDirectory(), "/tmp/soukrome/");
  EXPECT_EQ(session.TemporaryDirectory(), "/tmp/soukrome/");
  session.AddPassword("Heslo");
  session.AddPassword("Heslo");
  session.AddPassword("");
  EXPECT_TRUE(session.PasswordKnown("Heslo"));
  EXPECT_FALSE(session.PasswordKnown("heslo"));
  session.RemovePassword("Heslo");
  EXPECT_FALSE(session.PasswordKnown("Heslo"));
}

TEST_F(DataTableTest, MissingIndexFileIsRecreatedAndFlagged) {
  std::filesystem::remove(File(".IDX"));
  CatalogueUser user(Directory());
  EXPECT_TRUE(user.Table->IndexRecreated());
  EXPECT_TRUE(std::filesystem::exists(File(".IDX")));
  EXPECT_EQ(user.Append(1), 1);
  EXPECT_TRUE(user.ReadSound(1));
}

TEST_F(DataTableTest, ReadOnlyFilesOpenReadOnlyWithoutLocks) {
  {
    CatalogueUser writer(Directory());
    writer.Append(1);
  }
  for (const char* extension : {".DAT", ".IDX", ".BLB"}) chmod(File(extension).c_str(), 0444);
  // Another table object holds the writer range: a reader that took any lock would fail.
  CatalogueUser user(Directory());
  EXPECT_TRUE(user.Table->FilesReadOnly());
  EXPECT_TRUE(user.Table->ReadOnly());
  EXPECT_FALSE(user.Table->BeginRead());
  EXPECT_FALSE(user.Table->HoldsReadLock());
  EXPECT_TRUE(user.ReadSound(1));
  user.Table->LockRecord(1);
  user.Table->UnlockRecord(1);
  user.Table->StartTransaction();
  EXPECT_FALSE(user.Table->InTransaction());
  EXPECT_FALSE(user.Table->HoldsTransactionByte());
  for (const char* extension : {".DAT", ".IDX", ".BLB"}) chmod(File(extension).c_str(), 0644);
}

TEST_F(DataTableTest, RecordLocksBetweenTableObjects) {
  CatalogueUser first(Directory());
  CatalogueUser second(Directory());
  for (int id = 1; id <= 6; ++id) first.Append(id);
  second.Session.LockRetryCount = 0;
  first.Table->LockRecord(5);
  first.Table->EndRead();
  EXPECT_EQ(EngineErrorCode([&] { first.Table->LockRecord(5); }), err::RecordInUse) << "a cursor of the same table";
  EXPECT_EQ(EngineErrorCode([&] { second.Table->LockRecord(5); }), err::RecordInUse);
  second.Table->LockRecord(6);
  EXPECT_EQ(EngineErrorCode([&] { second.Table->LockRecord(0); }), err::RecordInUse);
  second.Table->EndRead();
  first.Table->UnlockRecord(5);
  second.Table->LockRecord(5);
  second.Table->UnlockRecord(5);
  second.Table->UnlockRecord(6);
  EXPECT_EQ(EngineErrorCode([&] { second.Table->UnlockRecord(6); }), err::CannotUnlock);
  second.Table->EndRead();
}

TEST_F(DataTableTest, UnlockInsideATransactionWaitsForItsEnd) {
  CatalogueUser first(Directory());
  CatalogueUser second(Directory());
  first.Append(1);
  second.Session.LockRetryCount = 0;
  first.Table->StartTransaction();
  first.Table->LockRecord(1);
  first.Table->UnlockRecord(1);
  EXPECT_EQ(EngineErrorCode([&] { second.Table->LockRecord(1); }), err::RecordInUse);
  second.Table->EndRead();
  first.Table->LockRecord(1);  // still held: taken again without a new file lock
  first.Table->UnlockRecord(1);
  first.Table->Commit();
  second.Table->LockRecord(1);
  second.Table->UnlockRecord(1);
  second.Table->EndRead();
}

TEST_F(DataTableTest, RolledBackTransactionLeavesTheFilesAsBefore) {
  CatalogueUser user(Directory());
  user.Append(1);
  user.WriteMemo(1, testing::PatternBytes(1000, 1));
  const auto data = Bytes(".DAT"), index = Bytes(".IDX"), blob = Bytes(".BLB");
  user.Table->StartTransaction();
  EXPECT_TRUE(user.Table->HoldsTransactionByte());
  for (int id = 2; id <= 50; ++id) user.Append(id);
  user.Rewrite(1, 1, 7);
  user.WriteMemo(1, testing::PatternBytes(3000, 2));
  EXPECT_EQ(user.ReadMemo(1), testing::PatternBytes(3000, 2));
  user.Table->Rollback();
  EXPECT_FALSE(user.Table->HoldsTransactionByte());
  EXPECT_EQ(Bytes(".DAT"), data);
  EXPECT_EQ(Bytes(".IDX"), index);
  EXPECT_EQ(Bytes(".BLB"), blob);
  EXPECT_EQ(user.RecordCount(), 1);
  EXPECT_EQ(user.ReadMemo(1), testing::PatternBytes(1000, 1));
}

TEST_F(DataTableTest, CommittedTransactionIsSeenByAnotherSession) {
  CatalogueUser writer(Directory());
  CatalogueUser reader(Directory());
  writer.Append(1);
  EXPECT_EQ(reader.RecordCount(), 1);
  writer.Database->StartTransaction();
  for (int id = 2; id <= 20; ++id) writer.Append(id);
  EXPECT_EQ(reader.RecordCount(), 1) << "nothing is written before the commit";
  writer.Database->Commit();
  EXPECT_FALSE(writer.Table->InTransaction());
  EXPECT_EQ(reader.RecordCount(), 20);
  for (int number = 1; number <= 20; ++number) EXPECT_TRUE(reader.ReadSound(number));
}

TEST_F(DataTableTest, CommitAndContinueWritesAndStaysInTheTransaction) {
  CatalogueUser writer(Directory());
  CatalogueUser reader(Directory());
  writer.Table->StartTransaction();
  writer.Append(1);
  writer.Table->CommitAndContinue();
  EXPECT_TRUE(writer.Table->InTransaction());
  EXPECT_TRUE(writer.Table->HoldsTransactionByte());
  EXPECT_EQ(reader.RecordCount(), 1);
  writer.Table->Rollback();
  EXPECT_EQ(writer.RecordCount(), 1);
}

TEST_F(DataTableTest, IndexBackupIsRestored) {
  CatalogueUser user(Directory());
  user.Append(1);
  user.Table->BackupIndex();
  EXPECT_TRUE(std::filesystem::exists(File(".IBK")));
  const auto saved = Bytes(".IDX");
  for (int id = 2; id <= 5; ++id) user.Append(id);
  EXPECT_NE(Bytes(".IDX"), saved);
  user.Table->RestoreIndex(true, true);
  EXPECT_EQ(Bytes(".IDX"), saved);
  EXPECT_EQ(user.Table->Index().RecordCount(), 1);
  EXPECT_FALSE(std::filesystem::exists(File(".IBK")));
}

TEST_F(DataTableTest, EmptyTableCutsAllThreeFiles) {
  CatalogueUser user(Directory(), {.Exclusive = true});
  for (int id = 1; id <= 10; ++id) user.Append(id);
  user.WriteMemo(3, testing::PatternBytes(2000, 3));
  user.Table->Empty();
  user.Table->FlushAll({.ForceData = true, .ForceIndex = true, .ForceBlob = true});
  EXPECT_EQ(user.Data().RecordCount(), 0);
  EXPECT_EQ(std::filesystem::file_size(File(".BLB")), 512u);
  EXPECT_EQ(std::filesystem::file_size(File(".IDX")), 4096u);
}

TEST_F(DataTableTest, RenameKeepsTheThreeFilesTogether) {
  TDataSession session;
  TDataDirectory* database = session.OpenDirectory("", Directory());
  database->RenameTable(testing::kCatalogue, "NOVY", false);
  for (const char* file : {"NOVY.DAT", "NOVY.IDX", "NOVY.BLB"}) EXPECT_TRUE(std::filesystem::exists(FTemp / file)) << file;
  EXPECT_FALSE(database->TableExists(testing::kCatalogue, false));
  testing::CreateCatalogue(Directory());
  database->RenameTable(testing::kCatalogue, "NOVY", false, true);
  for (const char* file : {"NOVY.DBK", "NOVY.IBK", "NOVY.BBK"}) EXPECT_TRUE(std::filesystem::exists(FTemp / file)) << file;
  database->RenameTable("NOVY", "NOVY", false, true);  // an existing backup is replaced
  EXPECT_FALSE(database->TableExists("NOVY", false));
}

TEST_F(DataTableTest, TemporaryTableNamesStartWithTheThreadIdentifier) {
  TDataSession session;
  TDataDirectory* database = session.OpenDirectory("", Directory());
  const std::string first = database->TemporaryTableName();
  const std::string prefix = std::to_string(gettid()).substr(0, 5);
  EXPECT_EQ(first, prefix + "0.DAT");
  EXPECT_EQ(database->TemporaryTableName(), prefix + "1.DAT") << "the name taken is kept by its file";
  EXPECT_TRUE(std::filesystem::exists(FTemp / first));
  // Another user's file of the next name is passed over, not emptied.
  FTemp.Write(prefix + "2.DAT", "cizi data");
  EXPECT_EQ(database->TemporaryTableName(), prefix + "3.DAT");
  EXPECT_EQ(std::filesystem::file_size(FTemp / (prefix + "2.DAT")), 9u);

  TDataDirectory* memory = session.OpenDirectory("MEMORY", "");
  const std::string inMemory = memory->TemporaryTableName();
  EXPECT_EQ(inMemory, prefix + "0.DAT");
  EXPECT_EQ(memory->TemporaryTableName(), prefix + "1.DAT");
  memory->DeleteTable(inMemory, true);
  memory->DeleteTable(prefix + "1", true);  // a reserved name holds only its data file
  EXPECT_FALSE(memory->TableExists(prefix + "1", true));
  EXPECT_EQ(EngineErrorCode([&] { memory->DeleteTable(prefix + "1", true); }), err::InvalidPath);
}

TEST_F(DataTableTest, DamagedTableFailsItsFirstOpenAndStaysClosed) {
  std::vector<uint8_t> blob = Bytes(".BLB");
  const uint8_t version = blob[8];
  blob[8] = 3;
  std::ofstream(File(".BLB"), std::ios::binary).write(reinterpret_cast<const char*>(blob.data()), blob.size());
  TDataSession session;
  TDataDirectory* database = session.OpenDirectory("", Directory());
  EXPECT_EQ(EngineErrorCode([&] { database->OpenTable(testing::kCatalogue, false); }), err::WrongVersion);
  EXPECT_EQ(database->TableCount(), 0);
  blob[8] = version;
  std::ofstream(File(".BLB"), std::ios::binary).write(reinterpret_cast<const char*>(blob.data()), blob.size());
  database->CloseTable(database->OpenTable(testing::kCatalogue, false));
}

// After the table was opened, a file ends before what its header announces: the data and BLOB
// files are cut by a byte, the index file's header (with a new change counter, as another user
// writes it) announces one page more. The next write is refused with that file's corruption
// error and the file is left as it was, while reading goes on.
TEST_F(DataTableTest, WritesAreRefusedOnFilesShorterThanTheirHeadersSay) {
  {
    CatalogueUser writer(Directory());
    for (int32_t id = 1; id <= 10; ++id) writer.Append(id);
    writer.WriteMemo(2, testing::PatternBytes(1500, 2));
  }
  struct Case {
    const char* Extension;
    uint16_t Code;
  };
  for (const Case c : {Case{".DAT", err::RecordBuffersCorrupt}, Case{".IDX", err::IndexBuffersCorrupt},
                       Case{".BLB", err::BlobBuffersCorrupt}}) {
    SCOPED_TRACE(c.Extension);
    const std::vector<uint8_t> whole = Bytes(c.Extension);
    std::vector<uint8_t> damaged = whole;
    if (std::string(c.Extension) == ".IDX") {
      StoreLE(&damaged[0], LoadLE<int32_t>(&damaged[0]) + 1);
      StoreLE(&damaged[9], LoadLE<uint32_t>(&damaged[9]) + TIndexFile::kPageSize);
    } else {
      damaged.pop_back();
    }
    {
      CatalogueUser user(Directory());
      std::ofstream(File(c.Extension), std::ios::binary | std::ios::trunc)
          .write(reinterpret_cast<const char*>(damaged.data()), damaged.size());
      EXPECT_EQ(EngineErrorCode([&] { user.Append(11); }), c.Code);
      EXPECT_FALSE(user.Table->HoldsWriteLock());
      EXPECT_EQ(Bytes(c.Extension), damaged);
      EXPECT_TRUE(user.ReadSound(3));
    }
    std::ofstream(File(c.Extension), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(whole.data()), whole.size());
  }
  CatalogueUser user(Directory());
  EXPECT_EQ(user.Append(11), 11);
}

TEST_F(DataTableTest, ReadLocksOfCursorAndQueryDoNotStack) {
  CatalogueUser user(Directory());
  user.Table->BeginRead();
  EXPECT_FALSE(user.Table->BeginQueryRead()) << "skipped while the cursor read lock is held";
  user.Table->EndQueryRead();
  EXPECT_TRUE(user.Table->HoldsReadLock());
  user.Table->EndRead();
  EXPECT_FALSE(user.Table->HoldsReadLock());
  user.Table->BeginQueryRead();
  user.Table->BeginWrite();  // a writer gives up its own reader slots first
  EXPECT_FALSE(user.Table->HoldsReadLock());
  EXPECT_TRUE(user.Table->HoldsWriteLock());
  EXPECT_FALSE(user.Table->BeginRead()) << "skipped under the write lock";
  user.Table->EndWrite();
  EXPECT_FALSE(user.Table->HoldsWriteLock());
}

TEST_F(DataTableTest, ExclusiveTableWritesItsChangesAtClose) {
  {
    CatalogueUser owner(Directory(), {.Exclusive = true});
    for (int id = 1; id <= 30; ++id) owner.Append(id);
    owner.WriteMemo(2, testing::PatternBytes(700, 2));
    EXPECT_EQ(std::filesystem::file_size(File(".DAT")), owner.Data().DefinitionsEnd()) << "still in the caches";
  }
  CatalogueUser reader(Directory());
  EXPECT_EQ(reader.RecordCount(), 30);
  EXPECT_TRUE(reader.ReadSound(30));
  EXPECT_EQ(reader.ReadMemo(2), testing::PatternBytes(700, 2));
}

TEST_F(DataTableTest, StrictChangeDetectionLeavesCacheMissesUnlocked) {
  CatalogueUser writer(Directory());
  writer.Append(1);
  CatalogueUser reader(Directory());
  reader.Session.StrictChangeDetection = true;
  TRecord* record = reader.Data().Records().GetRecord(1);
  ASSERT_NE(record, nullptr);
  reader.Data().Records().ReleaseRecord(record);
  EXPECT_FALSE(reader.Table->HoldsReadLock());
  reader.Session.StrictChangeDetection = false;
  reader.Data().Records().Empty();
  record = reader.Data().Records().GetRecord(1);
  ASSERT_NE(record, nullptr);
  reader.Data().Records().ReleaseRecord(record);
  EXPECT_TRUE(reader.Table->HoldsReadLock()) << "a cache miss takes the cursor read lock";
  reader.Table->EndRead();
}

TEST_F(DataTableTest, EncryptedTableNeedsItsPasswordInTheSession) {
  TDataSession session;
  TDataDirectory* database = session.OpenDirectory("", Directory());
  TTableDefinition definition = testing::CatalogueDefinition();
  definition.Properties.Encrypted = true;
  definition.Properties.Password = "Tajne";
  TDataTable* table = database->CreateTable("TAJNY", false, definition);
  EXPECT_FALSE(table->PasswordAvailable());
  session.AddPassword("Tajne");
  EXPECT_TRUE(table->PasswordAvailable());
  database->CloseTable(table);
}

TEST(EngineStartupTest, CurrentSessionExistsOnlyAfterStartUp) {
  // A child process starts from an engine no test has started.
  testing::ChildProcess child([](testing::ChildProcess&) {
    if (EngineStarted()) return 1;
    if (EngineErrorCode([] { CurrentSession(); }) != err::EngineNotInitialized) return 2;
    StartEngine();
    TDataSession& first = CurrentSession();
    StartEngine();
    if (&CurrentSession() != &first) return 3;
    TDataSession& second = NewSession();
    SetCurrentSession(second);
    if (&CurrentSession() != &second) return 4;
    if (&StartupSession() != &first) return 6;
    FreeSession(second);
    return &CurrentSession() == &first ? 0 : 5;
  });
  ASSERT_TRUE(child.Started());
  EXPECT_EQ(child.Wait(), 0);
}

}  // namespace
}  // namespace sklad
