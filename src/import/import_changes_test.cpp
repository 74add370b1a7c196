// All or nothing: what an import stores, and when, as the profile and other
// sessions see it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "import/import_contacts.h"
#include "import/import_test_support.h"
#include "main/xml_test_reader.h"

namespace tovask {
namespace {

using testing::EntryId;
using testing::ShellQuote;
using testing::StoreWith;
using Json = nlohmann::json;
using Lines = std::vector<std::string>;

std::string Hex(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", n);
  return text;
}

// A contact of \\P\C with the identifier EntryId(Hex(n)) and FileAs "Old n".
std::string OldContact(int n) {
  return R"({"class": "IPM.Contact", "entryId": ")" + EntryId(Hex(n)) +
         R"(", "props": {"FileAs": "Old )" + std::to_string(n) + R"("}})";
}

class ImportChangesTest : public testing::ImportTestBase {
 protected:
  // The FileAs of each item of a folder below \\P, in order.
  Lines FileAs(const std::string& path) const {
    Lines names;
    for (const Json& item : Items(path)) names.push_back(item["props"].value("FileAs", ""));
    return names;
  }
};

// With a confirmation the merge is stored before anyone is asked, and no
// other writer waits while a person decides; the deletions follow in a
// change of their own.
TEST_F(ImportChangesTest, ConfirmationComesAfterTheMergeIsStored) {
  UseProfile(StoreWith(R"({"name": "C", "type": 2, "items": [)" + OldContact(1) + "," +
                       OldContact(2) + "," + OldContact(3) + "]}"));
  Input("<contact id=\"1\" EntryID=\"" + EntryId("1") +
        "\"><FileAs>New 1</FileAs></contact><contact id=\"2\"><FileAs>Created</FileAs></contact>");
  Lines seenWhileAsked;
  ImportContacts("\\\\P\\C", input_, feedback_, false, true, true, [&](const Lines& texts) {
    EXPECT_EQ(texts, (Lines{"Old 2", "Old 3"}));
    seenWhileAsked = FileAs("C");
    // Would wait for a lock still held, and fail.
    auto other = testing::LogOn()->GetFolderFromPath("\\\\P\\C")->GetItems();
    auto late = other->Add("IPM.Contact");
    late->SetProperty("FileAs", std::string("Late"));
    late->Save();
    return DeleteDecision{false, {true, true}, ""};
  });
  EXPECT_EQ(seenWhileAsked, (Lines{"New 1", "Old 2", "Old 3", "Created"}));
  EXPECT_EQ(FileAs("C"), (Lines{"New 1", "Created", "Late"}));
  const Lines feedback = Feedback();
  ASSERT_EQ(feedback.size(), 4u);
  EXPECT_EQ(feedback[0], "1 " + EntryId("1") + " updated");
  EXPECT_EQ(feedback[1].substr(0, 2) + feedback[1].substr(50), "2  created");
  EXPECT_EQ(feedback[2], "-1 " + EntryId("3") + " deleted");
  EXPECT_EQ(feedback[3], "-1 " + EntryId("2") + " deleted");
  EXPECT_FALSE(AnyFailureTrapped());
}

// A run killed before it stores its changes leaves the folder exactly as it
// was, no backup folder and no feedback file; the same run uninterrupted
// stores all of it.
TEST_F(ImportChangesTest, AKilledImportLeavesTheProfileAsItWas) {
  constexpr int kContacts = 300, kNamed = 290;
  std::string items, contacts;
  for (int n = 1; n <= kContacts; ++n) {
    items += (n == 1 ? "" : ",") + OldContact(n);
    if (n <= kNamed) {
      contacts += "<contact id=\"" + std::to_string(n) + "\" EntryID=\"" + EntryId(Hex(n)) +
                  "\"><FileAs>New " + std::to_string(n) + "</FileAs></contact>";
    }
  }
  UseProfile(StoreWith(R"({"name": "C", "type": 2, "items": [)" + items + "]}"));
  Input(contacts);
  const std::string before = profile_->Dump();

  // The log goes into a FIFO of one page that is read until the merge has
  // begun and then no more: the run stands still a few contacts later,
  // far from its end, and is killed there.
  const std::string fifo = dir_.File("log.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  const int keepOpen = open(fifo.c_str(), O_WRONLY);  // so reads wait instead of ending
  ASSERT_GE(keepOpen, 0);
  ASSERT_EQ(fcntl(reader, F_SETFL, 0), 0);
  ASSERT_GE(fcntl(reader, F_SETPIPE_SZ, 4096), 0);
  const pid_t child = fork();
  if (child == 0) {
    execl(TOVASK_BINARY, "tovask", "-i", "0", "\\\\P\\C", input_.c_str(), feedback_.c_str(), "-b",
          "-d", "-l", fifo.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string logged;
  while (logged.find("Updating Outlook contact: ") == std::string::npos) {
    pollfd ready{reader, POLLIN, 0};
    // Only a run that died early keeps the log silent this long.
    ASSERT_EQ(poll(&ready, 1, 60000), 1) << logged;
    char chunk[512];
    const ssize_t got = read(reader, chunk, sizeof chunk);
    ASSERT_GT(got, 0);
    logged.append(chunk, static_cast<std::size_t>(got));
  }
  ASSERT_EQ(kill(child, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the run was not killed";
  close(reader);
  close(keepOpen);
  EXPECT_NE(logged.find("Backuping contact: Old 300"), std::string::npos);
  EXPECT_EQ(profile_->Dump(), before);
  EXPECT_FALSE(std::filesystem::exists(feedback_));

  ASSERT_EQ(testing::RunCommand(ShellQuote(TOVASK_BINARY) + " -i 0 '\\\\P\\C' " +
                                ShellQuote(input_) + " " + ShellQuote(feedback_) + " -b -d"),
            0);
  const Lines after = FileAs("C");
  ASSERT_EQ(after.size(), static_cast<std::size_t>(kNamed));
  EXPECT_EQ(after.front(), "New 1");
  EXPECT_EQ(after.back(), "New 290");
  const Lines backup = FileAs("C (talvo backup)");
  ASSERT_EQ(backup.size(), static_cast<std::size_t>(kContacts));
  EXPECT_EQ(backup.back(), "Old 300");
  const Lines feedback = Feedback();
  ASSERT_EQ(feedback.size(), static_cast<std::size_t>(kContacts));
  EXPECT_EQ(feedback[kNamed - 1], "290 " + EntryId("122") + " updated");
  EXPECT_EQ(feedback[kNamed], "-1 " + EntryId("12C") + " deleted");
}

}  // namespace
}  // namespace tovask
