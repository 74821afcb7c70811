// sklad info and sklad check: what info tells about a table, that check passes a sound table and
// finds deliberately damaged index pages and BLOB chains, and how both meet bad input.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <functional>

#include "engine/storage/core/LittleEndian.h"
#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"
#include "tests/tools/TestFileSystems.h"
#include "tests/tools/ToolRun.h"
#include "tests/tools/ToolTables.h"

namespace sklad::testing {
namespace {

constexpr int kDataHeaderSize = 127, kFieldDefinitionSize = 768;
constexpr int kIndexDefinitionsAt = 14, kIndexDefinitionSize = 120, kRootAt = 86;
constexpr int kPageEntriesAt = 13, kBlockNextAt = 4;

// A small catalogue made by the tool: a memo over three blocks and a short one, a primary key and a name index.
class Catalogue {
 public:
  Catalogue() {
    std::string memo;
    while (memo.size() < 1500) memo += "Dlouhý popis, který zabere několik bloků. ";
    const std::string csv = Files.Write("in.csv", "p,název,pocet,popis\n1/,beta,7,\"" + memo + "\"\n2/,alfa,,krátký\n");
    const ToolRun run = RunSklad({"import", Folder(), "kat", csv, "--language", "Czech", "--index", "název", "--schema",
                                 "p VARCHAR(4) NOT NULL, název VARCHAR(20), pocet INTEGER DEFAULT 5 MIN 0, "
                                 "popis BLOB(0, 1), PRIMARY KEY (p)"});
    EXPECT_EQ(run.Status, tool::kExitSuccess) << run.Err;
  }
  std::string Folder() const { return Database.Path().string(); }

  uint32_t ReadAt(const std::string& file, int64_t offset) const {
    std::ifstream in(Database / file, std::ios::binary);
    uint8_t bytes[4] = {};
    in.seekg(offset);
    in.read(reinterpret_cast<char*>(bytes), 4);
    return LoadLE<uint32_t>(bytes);
  }
  void WriteAt(const std::string& file, int64_t offset, const std::string& bytes) const {
    std::fstream out(Database / file, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(offset);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  void WriteAt(const std::string& file, int64_t offset, uint32_t value) const {
    std::string bytes(4, '\0');
    StoreLE(reinterpret_cast<uint8_t*>(bytes.data()), value);
    WriteAt(file, offset, bytes);
  }
  // Where record 1's memo chain starts, from the record's stored field.
  uint32_t FirstMemoBlock() const {
    TDataSession session;
    TDataCursor cursor(*session.OpenDirectory("", Folder()));
    cursor.SetTableName("kat");
    cursor.Open();
    const int fields = cursor.TableFieldCount();
    const int memoAt = cursor.TableField(4).Offset() + 1;
    return ReadAt("kat.DAT", kDataHeaderSize + kFieldDefinitionSize * fields + memoAt);
  }
  int64_t RootOfSlot(int slot) const {
    return ReadAt("kat.IDX", kIndexDefinitionsAt + kIndexDefinitionSize * slot + kRootAt);
  }

  TempDir Database;
  TempDir Files;
};

TEST(InfoCommand, TellsTheEssentials) {
  const Catalogue t;
  const ToolRun run = RunSklad({"info", t.Folder(), "kat"});
  ASSERT_EQ(run.Status, tool::kExitSuccess) << run.Err;
  for (const char* line : {"Records              2\n", "Fields               4 (1 BLOB)\n",
                           "BLOB block size      512 bytes\n", "Language             Czech\n",
                           "Sort                 Default Order\n", "Encrypted            no\n",
                           "  1  p      VARCHAR(4)   5            NOT NULL\n",
                           "  2  název  VARCHAR(20)  21\n",
                           "  3  pocet  INTEGER      4            DEFAULT 5, MIN 0\n",
                           "  4  popis  BLOB(0, 1)   8\n",
                           "  (primary)  p           unique\n", "  název      název\n"})
    EXPECT_NE(run.Out.find(line), std::string::npos) << line << "\n" << run.Out;
}

TEST(CheckCommand, ASoundTablePasses) {
  const Catalogue t;
  const ToolRun run = RunSklad({"check", t.Folder(), "kat"});
  EXPECT_EQ(run.Status, tool::kExitSuccess) << run.Out << run.Err;
  EXPECT_NE(run.Out.find("No damage found"), std::string::npos);
  EXPECT_NE(run.Out.find("records: 2 active, 0 deleted, 2 slots"), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("indexes walked against the records: primary, 'název', record-state"), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("BLOB values: 2 in 4 blocks; 0 free blocks; 0 blocks in no value"), std::string::npos) << run.Out;
}

TEST(CheckCommand, DamageIsFoundAndReported) {
  const struct {
    const char* What;
    std::function<void(Catalogue&)> Damage;
    std::string Finding;
  } cases[] = {
      // The first key of the name index's only page: "alfa" becomes "zlfa", out of order and
      // belonging to no record.
      {"index key", [](Catalogue& t) { t.WriteAt("kat.IDX", t.RootOfSlot(1) + kPageEntriesAt + 1, 'z' | ('l' << 8)); },
       "index 'název': key 2 sorts before the key in front of it"},
      // An entry count no page can hold.
      {"index page", [](Catalogue& t) { t.WriteAt("kat.IDX", t.RootOfSlot(1) + 1, std::string("\xFF\xFF")); },
       "indexes: Sklad Engine Error # 8965"},
      // The memo's second block points back to its first.
      {"BLOB loop", [](Catalogue& t) {
         const uint32_t first = t.FirstMemoBlock();
         const uint32_t second = t.ReadAt("kat.BLB", first + kBlockNextAt);
         t.WriteAt("kat.BLB", second + kBlockNextAt, first);
       },
       "record 1, field 'popis': block 1024 points back to block 512: the chain loops"},
      // The memo's first block points to a block that is no block of the file.
      {"BLOB link", [](Catalogue& t) { t.WriteAt("kat.BLB", t.FirstMemoBlock() + kBlockNextAt, 777); },
       "record 1, field 'popis': block 512 points to 777, which is no block of the file"},
  };
  for (const auto& c : cases) {
    Catalogue t;
    c.Damage(t);
    const ToolRun run = RunSklad({"check", t.Folder(), "kat"});
    EXPECT_EQ(run.Status, tool::kExitFailure) << c.What;
    EXPECT_NE(run.Out.find("Damage found\n  " + c.Finding), std::string::npos) << c.What << "\n" << run.Out;
    EXPECT_EQ(run.Err.rfind("sklad check: table 'kat' is damaged: ", 0), 0u) << run.Err;
  }
}

TEST(InfoAndCheckCommands, BadInputGivesAFailureWithAMessage) {
  const Catalogue t;
  const struct {
    std::vector<std::string> Arguments;
    std::string Message;
  } cases[] = {
      {{"/no/such/folder", "kat"}, "sklad: no such folder: /no/such/folder"},
      {{t.Folder(), "nic"}, "sklad: no table 'nic' in " + t.Folder()},
  };
  for (const char* command : {"info", "check"}) {
    for (const auto& c : cases) {
      std::vector<std::string> arguments = c.Arguments;
      arguments.insert(arguments.begin(), command);
      const ToolRun run = RunSklad(arguments);
      EXPECT_EQ(run.Status, tool::kExitFailure) << command;
      EXPECT_EQ(run.Err, c.Message + "\n") << command;
    }
  }
  // A data file of another format version cannot be opened: the engine's error.
  std::fstream(t.Database / "kat.DAT", std::ios::binary | std::ios::in | std::ios::out).seekp(8).put(3);
  for (const char* command : {"info", "check"}) {
    const ToolRun run = RunSklad({command, t.Folder(), "kat"});
    EXPECT_EQ(run.Status, tool::kExitFailure);
    EXPECT_EQ(run.Err.rfind("Sklad Engine Error # 12035 ", 0), 0u) << run.Err;
  }
}

// Files the user may read but not write (a read-only mount, another user's files): every way of
// writing is refused, and counted.
class ReadOnlyMedium : public platform::FileSystem {
 public:
  int OpenExisting(const std::string& path, bool forWriting, int& fd) override {
    return forWriting ? Refused() : FileSystem::OpenExisting(path, false, fd);
  }
  int OpenOrCreate(const std::string&, int&) override { return Refused(); }
  int CreateExclusive(const std::string&, int&) override { return Refused(); }
  int WriteAt(int, const void*, size_t, int64_t, size_t& done) override {
    done = 0;
    return Refused();
  }
  int Truncate(int, int64_t) override { return Refused(); }
  int Remove(const std::string&) override { return Refused(); }
  int Rename(const std::string&, const std::string&) override { return Refused(); }

  int Refusals = 0;

 private:
  int Refused() {
    ++Refusals;
    return EROFS;
  }
};

const char* const kLookingCommands[] = {"info", "check", "export"};

TEST(LookingCommands, ReadTablesTheUserMayNotWrite) {
  const Catalogue t;
  const std::string before = FilesWithContents(t.Database.Path());
  ReadOnlyMedium medium;
  FileSystemInUse use(medium);
  for (const char* command : kLookingCommands) {
    const ToolRun run = RunSklad({command, t.Folder(), "kat"});
    EXPECT_EQ(run.Status, tool::kExitSuccess) << command << ": " << run.Err;
  }
  EXPECT_EQ(medium.Refusals, 0);
  EXPECT_EQ(FilesWithContents(t.Database.Path()), before);
}

TEST(LookingCommands, ReadAReadOnlyCopyAndLeaveItAsItIs) {
  const Catalogue t;
  for (const std::string& name : FilesIn(t.Database.Path())) chmod((t.Database / name).c_str(), 0444);
  chmod(t.Folder().c_str(), 0555);
  const std::string before = FilesWithContents(t.Database.Path());
  for (const char* command : kLookingCommands) {
    const ToolRun run = RunSklad({command, t.Folder(), "kat"});
    EXPECT_EQ(run.Status, tool::kExitSuccess) << command << ": " << run.Err;
  }
  EXPECT_EQ(FilesWithContents(t.Database.Path()), before);
  chmod(t.Folder().c_str(), 0755);
}

// Opening a table with a missing index file would make the file anew: the looking commands say
// it is missing instead, and make nothing.
TEST(LookingCommands, AMissingIndexFileIsNamedNotMade) {
  const Catalogue t;
  std::filesystem::remove(t.Database / "kat.IDX");
  for (const char* command : kLookingCommands) {
    const ToolRun run = RunSklad({command, t.Folder(), "kat"});
    EXPECT_EQ(run.Status, tool::kExitFailure) << command;
    EXPECT_EQ(run.Err.rfind("Sklad Engine Error # 11010 ", 0), 0u) << run.Err;
    EXPECT_NE(run.Err.find("kat.IDX"), std::string::npos) << run.Err;
  }
  EXPECT_EQ(FilesIn(t.Database.Path()), (std::set<std::string>{"kat.BLB", "kat.DAT"}));
}

}  // namespace
}  // namespace sklad::testing
