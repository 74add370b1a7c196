// Several processes on one profile: saves at the same time, and a process
// killed in the middle of its saves.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "main/failure.h"
#include "main/test_support.h"
#include "outlook/outlook.h"
#include "outlook/store_tool.h"

namespace tovask::outlook {
namespace {

constexpr const char* kContactsPath = "\\\\Personal Folders\\Contacts";

// Kills the child when a failed assertion leaves the test early.
class ChildGuard {
 public:
  explicit ChildGuard(pid_t child) : child_(child) {}
  ~ChildGuard() {
    if (child_ > 0 && waitpid(child_, nullptr, WNOHANG) == 0) {
      kill(child_, SIGKILL);
      waitpid(child_, nullptr, 0);
    }
  }
  ChildGuard(const ChildGuard&) = delete;
  ChildGuard& operator=(const ChildGuard&) = delete;

 private:
  pid_t child_;
};

class StoreConcurrencyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitProfile(profile_);
    if (const char* previous = std::getenv("TOVASK_PROFILE")) previousProfile_ = previous;
    setenv("TOVASK_PROFILE", profile_.c_str(), 1);
  }
  void TearDown() override {
    if (previousProfile_)
      setenv("TOVASK_PROFILE", previousProfile_->c_str(), 1);
    else
      unsetenv("TOVASK_PROFILE");
  }

  // Runs `body` in a child process, which ends with status 0 when the body
  // returns and 1 when it raises. The child never returns here.
  static pid_t Spawn(const std::function<void()>& body) {
    pid_t child = fork();
    if (child != 0) return child;
    int status = 0;
    try {
      body();
    } catch (const Failure& failure) {
      NoteTrappedFailure();
      std::string line = std::string("child failed: ") + failure.what() + "\n";
      (void)!write(STDERR_FILENO, line.data(), line.size());
      status = 1;
    }
    _exit(status);
  }

  static int ExitStatus(pid_t child) {
    int status = 0;
    if (waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  // Saves new contacts "<first> <n>" for n from 0 below `count`, calling
  // `saved` with each entry identifier once its save returned.
  static void SaveContacts(const std::string& first, int count,
                           const std::function<void(const std::string&)>& saved) {
    std::unique_ptr<Session> session = CreateSession();
    session->Logon();
    std::unique_ptr<Items> items = session->GetFolderFromPath(kContactsPath)->GetItems();
    for (int n = 0; n < count; ++n) {
      std::unique_ptr<Item> item = items->Add("IPM.Contact");
      item->SetProperty("FirstName", Value(first));
      item->SetProperty("LastName", Value(std::to_string(n)));
      item->Save();
      saved(item->EntryID());
    }
  }

  tovask::testing::TempDir dir_;
  std::string profile_ = dir_.File("profile.db");
  std::optional<std::string> previousProfile_;
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

  std::unique_ptr<Session> session = CreateSession();
  session->Logon();
  std::unique_ptr<Items> items = session->GetFolderFromPath(kContactsPath)->GetItems();
  ASSERT_EQ(items->Count(), 2 * kPerChild);
  std::set<std::string> names, ids;
  for (int i = 1; i <= items->Count(); ++i) {
    std::unique_ptr<Item> item = items->GetItem(i);
    names.insert(std::get<std::string>(item->GetProperty("FirstName")) + " " +
                 std::get<std::string>(item->GetProperty("LastName")));
    ids.insert(item->EntryID());
  }
  EXPECT_EQ(names.size(), 2u * kPerChild);
  EXPECT_EQ(ids.size(), 2u * kPerChild);
  EXPECT_TRUE(names.count("Ada 0") && names.count("Bob " + std::to_string(kPerChild - 1)));
}

TEST_F(StoreConcurrencyTest, KilledDuringSavesKeepsEveryReportedSaveAndAnIntactFile) {
  std::vector<std::string> reported;
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
    ChildGuard guard(child);
    close(reports[1]);
    std::string received;
    char buffer[4096];
    int lines = 0;
    while (lines < reportsBeforeKill) {
      ssize_t got = read(reports[0], buffer, sizeof buffer);
      ASSERT_GT(got, 0) << "the child stopped reporting";
      received.append(buffer, static_cast<std::size_t>(got));
      lines = static_cast<int>(std::count(received.begin(), received.end(), '\n'));
    }
    ASSERT_EQ(kill(child, SIGKILL), 0);
    EXPECT_EQ(ExitStatus(child), 128 + SIGKILL);
    // Reports written before the kill are whole lines (a pipe write this short is atomic).
    for (ssize_t got; (got = read(reports[0], buffer, sizeof buffer)) > 0;) {
      received.append(buffer, static_cast<std::size_t>(got));
    }
    close(reports[0]);
    for (std::size_t start = 0, end; (end = received.find('\n', start)) != std::string::npos;
         start = end + 1) {
      reported.push_back(received.substr(start, end - start));
    }

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(profile_.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    std::string integrity;
    sqlite3_exec(
        db, "PRAGMA integrity_check",
        [](void* out, int, char** values, char**) {
          *static_cast<std::string*>(out) += values[0] ? values[0] : "NULL";
          return 0;
        },
        &integrity, nullptr);
    sqlite3_close(db);
    EXPECT_EQ(integrity, "ok");

    std::unique_ptr<Session> session = CreateSession();
    session->Logon();
    std::unique_ptr<Items> items = session->GetFolderFromPath(kContactsPath)->GetItems();
    EXPECT_GE(items->Count(), static_cast<int>(reported.size()));
    for (const std::string& id : reported) {
      ASSERT_EQ(id.size(), 48u) << id;
      EXPECT_NE(items->Find("EntryID = '" + id + "'"), nullptr) << id;
    }
  }
}

}  // namespace
}  // namespace tovask::outlook
