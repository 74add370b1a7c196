// Several processes on one profile: saves at the same time, a process killed
// in the middle of its saves, a load waiting for a writer, and the profile
// replaced under sessions that use it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "main/failure.h"
#include "main/test_support.h"
#include "main/xml_test_reader.h"
#include "outlook/outlook.h"
#include "outlook/store_failure.h"
#include "profile_store/profile_json.h"
#include "profile_store/sqlite_connection.h"
#include "profile_store/test_profile.h"

namespace tovask::outlook {
namespace {

using tovask::testing::LogOn;
using tovask::testing::RaisedBy;
using tovask::testing::ShellQuote;

constexpr const char* kContactsPath = "\\\\P\\Contacts";

// Runs `body` in a child process, which ends with status 0 when the body
// returns and 1 when it raises. The child never returns here.
pid_t Spawn(const std::function<void()>& body) {
  pid_t child = fork();
  if (child != 0) return child;
  try {
    body();
  } catch (const Failure& failure) {
    std::string line = std::string("child failed: ") + failure.what() + "\n";
    (void)!write(STDERR_FILENO, line.data(), line.size());
    _exit(1);
  }
  _exit(0);
}

int ExitStatus(pid_t child) {
  int status = 0;
  if (waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Saves new contacts "<first> <n>" for n from 0 below `count`, calling
// `saved` with each entry identifier once its save returned.
void SaveContacts(const std::string& first, int count,
                  const std::function<void(const std::string&)>& saved) {
  auto session = LogOn();
  auto items = session->GetFolderFromPath(kContactsPath)->GetItems();
  for (int n = 0; n < count; ++n) {
    auto item = items->Add("IPM.Contact");
    item->SetProperty("FirstName", first);
    item->SetProperty("LastName", std::to_string(n));
    item->Save();
    saved(item->EntryID());
  }
}

// A profile whose \\P\Contacts holds `count` contacts "<first> <n>".
std::string ProfileOf(const std::string& first, int count) {
  std::string items;
  for (int n = 0; n < count; ++n) {
    items += std::string(n == 0 ? "" : ",") +
             R"({"class": "IPM.Contact", "props": {"FirstName": ")" + first +
             R"(", "LastName": ")" + std::to_string(n) + R"("}})";
  }
  return R"({"stores": [{"name": "P", "root": {"folders": [{"name": "Contacts", "type": 2, "items": [)" +
         items + "]}]}}]}";
}

class StoreConcurrencyTest : public ::testing::Test {
 protected:
  tovask::testing::TestProfile profile_{
      R"({"stores": [{"name": "P", "root": {"folders": [{"name": "Contacts", "type": 2}]}}]})"};
};

TEST_F(StoreConcurrencyTest, TwoProcessesSavingAtOnceLoseNothing) {
  constexpr int kPerChild = 150;
  // Both children wait at the gate until the parent closes it, so their saves overlap.
  int gate[2];
  ASSERT_EQ(pipe(gate), 0);
  std::vector<pid_t> children;
  for (const char* name : {"Ada", "Bob"}) {
    children.push_back(Spawn([&, name] {
      close(gate[1]);
      char byte;
      (void)!read(gate[0], &byte, 1);
      SaveContacts(name, kPerChild, [](const std::string&) {});
    }));
  }
  close(gate[0]);
  close(gate[1]);
  for (pid_t child : children) EXPECT_EQ(ExitStatus(child), 0);

  auto session = LogOn();
  auto items = session->GetFolderFromPath(kContactsPath)->GetItems();
  ASSERT_EQ(items->Count(), 2 * kPerChild);
  std::set<std::string> names, ids;
  for (int i = 1; i <= items->Count(); ++i) {
    auto item = items->GetItem(i);
    names.insert(std::get<std::string>(item->GetProperty("FirstName")) + " " +
                 std::get<std::string>(item->GetProperty("LastName")));
    ids.insert(item->EntryID());
  }
  EXPECT_EQ(names.size(), 2u * kPerChild) << "each child's every contact, once";
  EXPECT_EQ(ids.size(), 2u * kPerChild);
}

TEST_F(StoreConcurrencyTest, KilledDuringSavesKeepsEveryReportedSaveAndAnIntactFile) {
  std::vector<std::string> reported;  // over all rounds
  for (int reportsBeforeKill : {1, 40, 150}) {
    SCOPED_TRACE("killed after " + std::to_string(reportsBeforeKill) + " saves");
    int reports[2];
    ASSERT_EQ(pipe(reports), 0);
    pid_t child = Spawn([&] {
      close(reports[0]);
      // Far more saves than the parent waits for: the kill lands mid-loop.
      SaveContacts("Kim", 1000000, [&](const std::string& id) {
        std::string line = id + "\n";
        if (write(reports[1], line.data(), line.size()) != static_cast<ssize_t>(line.size()))
          _exit(3);
      });
    });
    close(reports[1]);
    // A report line is one short pipe write, so a kill never splits one.
    FILE* in = fdopen(reports[0], "r");
    char line[64];
    auto readReport = [&] {
      if (!fgets(line, sizeof line, in)) return false;
      reported.emplace_back(line, std::strcspn(line, "\n"));
      return true;
    };
    int got = 0;
    while (got < reportsBeforeKill && readReport()) ++got;
    kill(child, SIGKILL);
    EXPECT_EQ(ExitStatus(child), 128 + SIGKILL);
    while (readReport()) {
    }
    fclose(in);
    ASSERT_EQ(got, reportsBeforeKill) << "the child stopped reporting";

    SqliteConnection connection(profile_.path(), false);
    Statement check(connection.db(), "PRAGMA integrity_check");
    ASSERT_TRUE(check.Step());
    EXPECT_EQ(check.Text(0), "ok");

    auto session = LogOn();
    auto items = session->GetFolderFromPath(kContactsPath)->GetItems();
    EXPECT_GE(items->Count(), static_cast<int>(reported.size()));
    for (const std::string& id : reported) {
      ASSERT_EQ(id.size(), 48u) << id;
      EXPECT_NE(items->Find("EntryID = '" + id + "'"), nullptr) << id;
    }
  }
}

// Exports read one state of the profile however a load replaces it meanwhile:
// each document holds every contact of one profile and nothing of the other.
TEST_F(StoreConcurrencyTest, ExportsWhileTheProfileIsReplacedNeverMixTwoProfiles) {
  // More contacts than one read-ahead batch, and a different number in each.
  constexpr int kAda = 600, kBob = 500, kRounds = 8, kExports = 4;
  tovask::testing::TempDir dir;
  tovask::testing::WriteFile(dir.File("ada.json"), ProfileOf("Ada", kAda));
  tovask::testing::WriteFile(dir.File("bob.json"), ProfileOf("Bob", kBob));
  LoadProfile(profile_.path(), ProfileOf("Ada", kAda));
  const std::string exportCommand = "TOVASK_PROFILE=" + ShellQuote(profile_.path()) + " " +
                                    ShellQuote(TOVASK_BINARY) + " -o 0 " +
                                    ShellQuote(kContactsPath) + " ";
  for (int round = 0; round < kRounds; ++round) {
    std::string script = "cd " + ShellQuote(dir.path().string()) + " && (";
    for (int n = 0; n < kExports; ++n) {
      script += exportCommand + "out" + std::to_string(n) + ".xml || echo failed >>status & ";
    }
    script += ShellQuote(TOVASK_STORE_BINARY) + " load " + ShellQuote(profile_.path()) +
              (round % 2 == 0 ? " bob.json" : " ada.json") + " || echo failed >>status & wait)";
    ASSERT_EQ(tovask::testing::RunCommand(script), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.File("status"))) << "a run failed in round " << round;
    for (int n = 0; n < kExports; ++n) {
      SCOPED_TRACE("round " + std::to_string(round) + ", export " + std::to_string(n));
      std::map<std::string, int> byName;
      for (const XmlElement& contact :
           ReadXmlFile(dir.File("out" + std::to_string(n) + ".xml")).children) {
        ++byName[contact.ChildText("FirstName")];
      }
      EXPECT_TRUE(byName == (std::map<std::string, int>{{"Ada", kAda}}) ||
                  byName == (std::map<std::string, int>{{"Bob", kBob}}))
          << "Ada " << byName["Ada"] << ", Bob " << byName["Bob"];
    }
  }
}

TEST_F(StoreConcurrencyTest, ASessionWhoseProfileIsReplacedFailsInsteadOfMixingThem) {
  // More contacts than the rows read around one position.
  LoadProfile(profile_.path(), ProfileOf("Ada", 40));
  auto session = LogOn();
  auto snapshot = CreateSession(SessionMode::kSnapshot);
  snapshot->Logon();
  auto items = session->GetFolderFromPath(kContactsPath)->GetItems();
  auto kept = items->GetItem(1);
  auto snapshotItems = snapshot->GetFolderFromPath(kContactsPath)->GetItems();

  LoadProfile(profile_.path(), ProfileOf("Bob", 40));
  const std::string bobsId =
      LogOn()->GetFolderFromPath(kContactsPath)->GetItems()->GetItem(1)->EntryID();
  const std::string replaced =
      "The profile " + profile_.path() + " was replaced while this session used it";
  // Every look-up says so; reads by an old position find nothing of the new
  // profile; a save writes nothing into it.
  const std::pair<const char*, std::function<void()>> rows[] = {
      {"path", [&] { session->GetFolderFromPath(kContactsPath); }},
      {"stores", [&] { session->Stores(); }},
      {"save",
       [&] {
         kept->SetProperty("FirstName", std::string("Eve"));
         kept->Save();
       }},
  };
  for (const auto& [name, action] : rows) {
    SCOPED_TRACE(name);
    Failure failure = RaisedBy(action);
    EXPECT_EQ(failure.number(), kSessionEnded);
    EXPECT_EQ(failure.description(), replaced);
  }
  EXPECT_EQ(RaisedBy([&] { items->GetItem(40); }).number(), kNotFound);
  EXPECT_EQ(items->Find("EntryID = '" + bobsId + "'"), nullptr);
  EXPECT_EQ(std::get<std::string>(kept->GetProperty("FirstName")), "Eve");

  // The snapshot session goes on reading the profile it logged on to.
  ASSERT_EQ(snapshotItems->Count(), 40);
  for (int position : {1, 40}) {
    EXPECT_EQ(snapshotItems->GetItem(position)->GetProperty("FirstName"),
              Value(std::string("Ada")));
  }
  auto fresh = LogOn()->GetFolderFromPath(kContactsPath)->GetItems();
  ASSERT_EQ(fresh->Count(), 40);
  for (int position : {1, 40}) {
    EXPECT_EQ(fresh->GetItem(position)->GetProperty("FirstName"), Value(std::string("Bob")));
  }
}

// A load reads the file before it writes; a writer holding the lock must make
// it wait (up to the busy timeout), not fail.
TEST_F(StoreConcurrencyTest, LoadWaitsForAWriterHoldingTheLock) {
  tovask::testing::TempDir dir;
  const std::string document = dir.File("bob.json");
  tovask::testing::WriteFile(document, ProfileOf("Bob", 2));
  SqliteConnection writer(profile_.path(), false);
  writer.Begin();
  writer.Exec("UPDATE meta SET value = value WHERE key = 'format'");
  // A program of its own: a forked copy of this process would share the
  // writer's lock bookkeeping.
  pid_t loader = fork();
  if (loader == 0) {
    execl(TOVASK_STORE_BINARY, "tovask-store", "load", profile_.path().c_str(), document.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  // Long enough for the loader to reach the lock; not a bound on anything.
  usleep(300 * 1000);
  writer.Commit();
  EXPECT_EQ(ExitStatus(loader), 0);
  EXPECT_EQ(LogOn()->GetFolderFromPath(kContactsPath)->GetItems()->Count(), 2);
}

}  // namespace
}  // namespace tovask::outlook
