#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "DataSetTestSupport.h"
#include "dataset/DatabaseError.h"
#include "engine/cursor/DataCursor.h"
#include "dataset/SkladDatabase.h"
#include "dataset/SkladSession.h"
#include "dataset/SkladSessionList.h"
#include "dataset/SkladTable.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/core/EngineStartup.h"
#include "engine/storage/table/TableNames.h"

namespace sklad {
namespace {

using testing::BooksDirectory;
using testing::DatabaseErrorText;
using testing::EngineCode;
using testing::PointAtBooks;

// A session of its own name for one test, left inactive and unregistered when the test ends.
std::unique_ptr<TSkladSession> NamedSession(std::string_view name) {
  auto session = std::make_unique<TSkladSession>();
  session->SetSessionName(name);
  return session;
}

TEST(SkladSessionListTest, TheDefaultSessionIsFoundByAnEmptyNameAndByItsOwn) {
  TSkladSessionList& sessions = SkladSessions();
  TSkladSession& defaultSession = sessions.DefaultSession();
  EXPECT_EQ(defaultSession.SessionName(), "Default");
  EXPECT_TRUE(defaultSession.IsDefault());
  EXPECT_EQ(sessions.FindSession(""), &defaultSession);
  EXPECT_EQ(sessions.FindSession("dEFAULT"), &defaultSession);
  const auto other = NamedSession("Druha");
  EXPECT_EQ(sessions.FindSession("DRUHA"), other.get());
  EXPECT_FALSE(other->IsDefault());
  EXPECT_EQ(sessions.FindSession("Treti"), nullptr);
  EXPECT_EQ(DatabaseErrorText([&] { sessions.OpenSession("Treti"); }), "Session name Treti is not valid.");
}

TEST(SkladSessionTest, SessionNamesAreCheckedAsTheyAreSetAndUsed) {
  const auto session = NamedSession("Jmeno");
  TSkladSession unnamed;
  EXPECT_EQ(DatabaseErrorText([&] { unnamed.SetSessionName("DEFAULT"); }), "Session name DEFAULT already exists.");
  EXPECT_EQ(DatabaseErrorText([&] { unnamed.SetActive(true); }), "Session name is missing.");
  EXPECT_FALSE(unnamed.Active());
  session->SetActive(true);
  EXPECT_EQ(DatabaseErrorText([&] { session->SetSessionName("Jine"); }),
            "Cannot perform this operation on an active session.");
  EXPECT_EQ(session->EngineVersion(), "2.11");
}

TEST(SkladSessionTest, ActivatingASessionActivatesTheDefaultFirst) {
  TSkladSession& defaultSession = SkladSessions().DefaultSession();
  defaultSession.SetActive(false);
  const auto session = NamedSession("Druha");
  std::vector<bool> defaultActiveAtStartup;
  session->OnStartup = [&](TSkladSession&) { defaultActiveAtStartup.push_back(defaultSession.Active()); };
  session->SetActive(true);
  EXPECT_EQ(defaultActiveAtStartup, std::vector<bool>{false});
  EXPECT_TRUE(defaultSession.Active());
  EXPECT_EQ(defaultSession.EngineSession(), &StartupSession());
  ASSERT_NE(session->EngineSession(), nullptr);
  EXPECT_NE(session->EngineSession(), defaultSession.EngineSession());
  EXPECT_EQ(&CurrentSession(), session->EngineSession());
  session->SetActive(false);
  EXPECT_EQ(session->EngineSession(), nullptr);
  EXPECT_EQ(&CurrentSession(), defaultSession.EngineSession());
}

TEST(SkladSessionTest, TheEngineLockActivatesItsSessionMakesItCurrentAndNests) {
  const auto first = NamedSession("Prvni");
  const auto second = NamedSession("Druha");
  {
    TSkladSession::TEngineLock outer(*first);
    ASSERT_TRUE(first->Active());
    EXPECT_EQ(&CurrentSession(), first->EngineSession());
    {
      TSkladSession::TEngineLock inner(*first);
      TSkladSession::TEngineLock other(*second);
      EXPECT_EQ(&CurrentSession(), second->EngineSession());
    }
    TSkladSession::TEngineLock again(*first);
    EXPECT_EQ(&CurrentSession(), first->EngineSession());
  }
  // Released: another thread gets the lock.
  std::thread([&] { TSkladSession::TEngineLock lock(*second); }).join();
}

struct TSettings {
  std::string PrivateDir;
  bool ForceBufferFlush, StrictChangeDetection;
  uint8_t LockRetryCount;
  uint16_t LockWaitTime, LanguageID, SortID;
  bool operator==(const TSettings&) const = default;
};

void Apply(TSkladSession& session, const TSettings& s) {
  session.SetPrivateDir(s.PrivateDir);
  session.SetForceBufferFlush(s.ForceBufferFlush);
  session.SetStrictChangeDetection(s.StrictChangeDetection);
  session.SetLockRetryCount(s.LockRetryCount);
  session.SetLockWaitTime(s.LockWaitTime);
  session.SetLanguageID(s.LanguageID);
  session.SetSortID(s.SortID);
}

TSettings EngineSettings(const TDataSession& engine) {
  return {engine.PrivateDirectory(), engine.ForceBufferFlush, engine.StrictChangeDetection, engine.LockRetryCount,
          engine.LockWaitTime,       engine.LanguageId,       engine.SortId};
}

TEST(SkladSessionTest, SettingsReachTheEngineAtActivationAndAtOnceWhileActive) {
  const testing::TempDir first, second;
  const TSettings stored{first.Path().string(), true, true, 3, 250, 1029, 0};
  const TSettings changed{second.Path().string(), false, false, 0, 10, 1033, 1};
  const auto inEngine = [](TSettings s) {
    s.PrivateDir = DirectoryPath(s.PrivateDir);
    return s;
  };
  const auto session = NamedSession("Nastaveni");
  Apply(*session, stored);
  EXPECT_FALSE(session->Active());
  EXPECT_EQ(session->PrivateDir(), stored.PrivateDir);
  session->SetActive(true);
  EXPECT_EQ(EngineSettings(*session->EngineSession()), inEngine(stored));
  Apply(*session, changed);
  EXPECT_EQ(EngineSettings(*session->EngineSession()), inEngine(changed));
}

TEST(SkladSessionTest, APrivateDirectoryIsCutTo255Characters) {
  const auto session = NamedSession("Dlouha");
  session->SetPrivateDir(std::string(300, 'd'));
  EXPECT_EQ(session->PrivateDir(), std::string(255, 'd'));
}

TEST(SkladSessionTest, PasswordsGoToTheEngineSessionWhichTheyActivate) {
  const auto session = NamedSession("Hesla");
  session->AddPassword("Tajne");
  ASSERT_TRUE(session->Active());
  TDataSession& engine = *session->EngineSession();
  session->AddPassword("Druhe");
  EXPECT_TRUE(engine.PasswordKnown("Tajne"));
  EXPECT_FALSE(engine.PasswordKnown("tajne"));
  session->RemovePassword("Tajne");
  EXPECT_FALSE(engine.PasswordKnown("Tajne"));
  EXPECT_TRUE(engine.PasswordKnown("Druhe"));
  session->RemoveAllPasswords();
  EXPECT_FALSE(engine.PasswordKnown("Druhe"));
}

// ---- Temporary databases for paths ----

class TemporaryDatabaseTest : public ::testing::Test {
 protected:
  TemporaryDatabaseTest() : FSession(NamedSession("Docasna")), FBooks({{1, "Babička"}, {2, "Audience"}}) {
    for (TSkladTable* table : {&FFirst, &FSecond}) {
      PointAtBooks(*table, FBooks);
      table->SetSessionName("Docasna");
    }
  }

  std::unique_ptr<TSkladSession> FSession;
  BooksDirectory FBooks;
  TSkladTable FFirst, FSecond;
};

TEST_F(TemporaryDatabaseTest, TablesOfOnePathShareOneTemporaryDatabaseFreedWithTheLast) {
  FFirst.Open();
  FSecond.Open();
  ASSERT_EQ(FSession->DatabaseCount(), 1);
  TSkladDatabase& database = FSession->Database(0);
  EXPECT_TRUE(database.IsTemporary());
  EXPECT_EQ(FFirst.Database(), &database);
  EXPECT_EQ(FSecond.Database(), &database);
  EXPECT_EQ(database.ReferenceCount(), 2);
  EXPECT_EQ(database.EngineDirectory()->Path(), DirectoryPath(FBooks.Path()));
  FFirst.Close();
  EXPECT_EQ(database.ReferenceCount(), 1);
  FSecond.Close();
  EXPECT_EQ(FSession->DatabaseCount(), 0);
  FFirst.Open();
  EXPECT_EQ(FSession->DatabaseCount(), 1);
  EXPECT_EQ(FFirst.FieldByName("Name").AsString(), "Babička");
}

TEST_F(TemporaryDatabaseTest, WithKeepConnectionsATemporaryDatabaseStaysWithoutReferences) {
  FSession->SetKeepConnections(true);
  FFirst.Open();
  FFirst.Close();
  ASSERT_EQ(FSession->DatabaseCount(), 1);
  EXPECT_EQ(FSession->Database(0).ReferenceCount(), 0);
  EXPECT_TRUE(FSession->Database(0).Connected());
  FSecond.Open();
  EXPECT_EQ(FSession->DatabaseCount(), 1);
}

TEST_F(TemporaryDatabaseTest, EndingTheSessionClosesItsDataSets) {
  FFirst.Open();
  FSession->SetActive(false);
  EXPECT_FALSE(FFirst.Active());
  EXPECT_EQ(FFirst.Database(), nullptr);
  EXPECT_EQ(FSession->DatabaseCount(), 0);
  FSecond.Open();
  FSession.reset();
  EXPECT_FALSE(FSecond.Active());
}

// ---- Database components ----

TEST(SkladDatabaseTest, DatabaseNamesMustNotBePathsAndMustStartWell) {
  struct Case {
    std::string Name;
    bool Valid;
  };
  const Case cases[] = {{"Knihy", true},     {"_knihy", true},   {"\x81knihy", true}, {"C:\\Data", false},
                        {"/tmp/data", false}, {"data/x", false}, {"a:b", false},      {"1knihy", false},
                        {" knihy", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TSkladDatabase database;
    const std::string error = DatabaseErrorText([&] { database.SetDatabaseName(c.Name); });
    EXPECT_EQ(error, c.Valid ? "" : "Database name " + c.Name + " is not valid.");
  }
}

TEST(SkladDatabaseTest, ANamedDatabaseServesItsTablesAndClosesThem) {
  BooksDirectory books({{1, "Babička"}});
  TSkladDatabase database;
  EXPECT_EQ(database.SessionName(), "Default");
  EXPECT_EQ(DatabaseErrorText([&] { database.Open(); }), "Database name is missing.");
  database.SetDatabaseName("Knihovna");
  database.SetDirectory(books.Path());
  std::vector<std::string> connects;
  database.BeforeConnect = [&](TSkladDatabase& d) { connects.push_back(d.DatabaseName()); };
  TSkladTable table;
  table.SetDatabaseName("KNIHOVNA");
  table.SetTableName(testing::kBooks);
  table.Open();
  EXPECT_EQ(connects, std::vector<std::string>{"Knihovna"});
  EXPECT_EQ(table.Database(), &database);
  EXPECT_FALSE(database.IsTemporary());
  EXPECT_EQ(database.ReferenceCount(), 1);
  for (const auto& change : std::vector<std::function<void()>>{[&] { database.SetDatabaseName("Jina"); },
                                                               [&] { database.SetDirectory("/tmp"); },
                                                               [&] { database.SetSessionName("Jina"); }})
    EXPECT_EQ(DatabaseErrorText(change), "Cannot perform this operation on an open database.");
  table.Close();
  EXPECT_TRUE(database.Connected());
  table.Open();
  database.Close();
  EXPECT_FALSE(table.Active());
  EXPECT_FALSE(database.Connected());
  database.Open();
  database.SetKeepConnection(false);
  EXPECT_FALSE(database.Connected());
}

TEST(SkladDatabaseTest, ANameIsUsedOnceUnlessBothShareHandles) {
  BooksDirectory books({{1, "Babička"}});
  TSkladDatabase first, second;
  first.SetDatabaseName("Knihy");
  EXPECT_EQ(DatabaseErrorText([&] { second.SetDatabaseName("KNIHY"); }), "Database name KNIHY already exists.");
  first.SetHandleShared(true);
  second.SetHandleShared(true);
  second.SetDatabaseName("KNIHY");
  first.SetDirectory(books.Path());
  first.Open();
  second.Open();
  EXPECT_EQ(second.EngineDirectory(), first.EngineDirectory());
  // The directory stays for the database that shares it when its first user closes.
  first.Close();
  TDataCursor cursor(*second.EngineDirectory());
  cursor.SetTableName(testing::kBooks);
  cursor.Open();
  EXPECT_EQ(cursor.GetRecordCount(), 1);
}

TEST(SkladDatabaseTest, AnUnusedTemporaryDatabaseGivesWayToANamedOne) {
  const auto session = NamedSession("Ustup");
  session->SetKeepConnections(true);
  session->CloseDatabase(session->OpenDatabase("Alias"));
  ASSERT_EQ(session->DatabaseCount(), 1);
  EXPECT_TRUE(session->Database(0).IsTemporary());
  TSkladDatabase named(*session);
  named.SetDatabaseName("alias");
  ASSERT_EQ(session->DatabaseCount(), 1);
  EXPECT_EQ(&session->Database(0), &named);
}

// ---- The password request ----

struct PasswordCase {
  const char* Name;
  // What the request does: the session's handler or dialog is set up here.
  std::function<void(TSkladSession&, int& asked)> Prepare;
  bool Opens;
};

class PasswordRequestTest : public ::testing::TestWithParam<PasswordCase> {
 protected:
  void TearDown() override { TSkladSession::SetPasswordDialog({}); }
};

TTableDefinition EncryptedBooks() {
  TTableDefinition definition = testing::BooksDefinition();
  definition.Properties.Encrypted = true;
  definition.Properties.Password = "Tajne";
  return definition;
}

TEST_P(PasswordRequestTest, AnEncryptedTableOpensOnlyWithItsPassword) {
  BooksDirectory books({}, EncryptedBooks());
  const auto session = NamedSession("Sifra");
  int asked = 0;
  GetParam().Prepare(*session, asked);
  TSkladTable table;
  PointAtBooks(table, books);
  table.SetSessionName("Sifra");
  if (GetParam().Opens) {
    table.Open();
    EXPECT_TRUE(table.Active());
  } else {
    EXPECT_EQ(EngineCode([&] { table.Open(); }), err::PasswordRequired);
    EXPECT_FALSE(table.Active());
    EXPECT_EQ(session->DatabaseCount(), 0);
  }
  EXPECT_EQ(asked, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, PasswordRequestTest,
    ::testing::Values(
        PasswordCase{"HandlerAddsAndContinues",
                     [](TSkladSession& s, int& asked) {
                       s.OnPassword = [&asked](TSkladSession& sender, bool& continueOpen) {
                         ++asked;
                         sender.AddPassword("Tajne");
                         continueOpen = true;
                       };
                     },
                     true},
        PasswordCase{"HandlerGivesUp",
                     [](TSkladSession& s, int& asked) {
                       s.OnPassword = [&asked](TSkladSession& sender, bool&) {
                         ++asked;
                         sender.AddPassword("Tajne");
                       };
                     },
                     false},
        // Continuing without a new password would ask for ever; it gives up instead.
        PasswordCase{"HandlerContinuesWithoutAPassword",
                     [](TSkladSession& s, int& asked) {
                       s.OnPassword = [&asked](TSkladSession&, bool& continueOpen) {
                         ++asked;
                         continueOpen = true;
                       };
                     },
                     false},
        PasswordCase{"DialogWithoutHandler",
                     [](TSkladSession&, int& asked) {
                       TSkladSession::SetPasswordDialog([&asked](TSkladSession& sender) {
                         ++asked;
                         sender.AddPassword("Tajne");
                         return true;
                       });
                     },
                     true},
        PasswordCase{"HandlerBeforeDialog",
                     [](TSkladSession& s, int& asked) {
                       TSkladSession::SetPasswordDialog([](TSkladSession&) -> bool { throw std::logic_error("asked"); });
                       s.OnPassword = [&asked](TSkladSession& sender, bool& continueOpen) {
                         ++asked;
                         sender.AddPassword("Tajne");
                         continueOpen = true;
                       };
                     },
                     true},
        PasswordCase{"NeitherHandlerNorDialog", [](TSkladSession&, int& asked) { asked = 1; }, false}),
    [](const ::testing::TestParamInfo<PasswordCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace sklad
