// Several processes on one profile: saves at the same time, and a process
// killed in the middle of its saves.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "main/failure.h"
#include "outlook/outlook.h"
#include "outlook/sqlite_connection.h"
#include "outlook/test_profile.h"

namespace tovask::outlook {
namespace {

using tovask::testing::LogOn;

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

}  // namespace
}  // namespace tovask::outlook
