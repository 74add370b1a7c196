// End to end: `tovask -i … -d -w` with the real dialog on a virtual X
// server, answered with the keyboard, and without any display.
#ifdef TOVASK_CONFIRM_BINARY

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "import/display_test_support.h"
#include "import/import_test_support.h"

namespace tovask {
namespace {

using testing::EntryId;
using Lines = std::vector<std::string>;

std::string Contact(const std::string& tail, const std::string& fileAs,
                    const std::string& fullName) {
  return R"({"class": "IPM.Contact", "entryId": ")" + EntryId(tail) +
         R"(", "props": {"FileAs": ")" + fileAs + R"(", "FullName": ")" + fullName + R"("}})";
}

// \\P\C holds A1 (Smith, Anna), A2 (Berg, Bo) and A3 (only a full name);
// the input names none of them, so all three are stale.
class ConfirmImportTest : public testing::ImportTestBase {
 protected:
  void SetUp() override {
    ImportTestBase::SetUp();
    UseProfile(testing::StoreWith(
        R"({"name": "C", "type": 2, "items": [)" + Contact("A1", "Smith, Anna", "Anna Smith") +
        "," + Contact("A2", "Berg, Bo", "Bo Berg") + "," + Contact("A3", "", "Cai Holm") + "]}"));
    testing::WriteFile(input_, "<?xml version=\"1.0\"?><olcontacts></olcontacts>");
  }

  // Runs tovask -i … -d -w with the log on; `environment` goes before it.
  int Import(const std::string& environment) {
    return testing::RunCommand(
        environment + " TOVASK_PROFILE=" + testing::ShellQuote(profile_->path()) + " " +
        TOVASK_BINARY + " -i 0 '\\\\P\\C' " + testing::ShellQuote(input_) + " " +
        testing::ShellQuote(feedback_) + " -d -w -l " + testing::ShellQuote(log_));
  }

  // Imports on a virtual display while AnswerDeleteDialog(keys, beforeKeys)
  // plays the user; the exit status.
  int ImportAnswering(const std::string& keys, const std::string& beforeKeys = "true") {
    testing::VirtualDisplay display;
    if (display.name().empty()) {
      ADD_FAILURE() << "Xvfb or xdotool is missing";
      return -1;
    }
    testing::ScopedEnv environment("DISPLAY", display.name().c_str());
    std::string trouble;
    std::thread user([&] { trouble = testing::AnswerDeleteDialog(keys, beforeKeys); });
    int status = Import("");
    user.join();
    EXPECT_EQ(trouble, "");
    return status;
  }

  // The FileAs (else FullName) of each contact left in \\P\C.
  Lines Left() const {
    Lines names;
    for (const nlohmann::json& item : Items("C")) {
      std::string fileAs = item["props"].value("FileAs", "");
      names.push_back(fileAs.empty() ? item["props"].value("FullName", "") : fileAs);
    }
    return names;
  }
};

TEST_F(ConfirmImportTest, EnterDeletesEveryListedContact) {
  // A test artifact: the open dialog as the user sees it.
  const std::filesystem::path artifacts =
      std::filesystem::path(TOVASK_BINARY).parent_path() / "test-artifacts";
  std::filesystem::create_directories(artifacts);
  const std::string screenshot = (artifacts / "delete-dialog.png").string();
  std::filesystem::remove(screenshot);

  EXPECT_EQ(ImportAnswering("Return", "import -window root " + testing::ShellQuote(screenshot)), 0);
  EXPECT_EQ(Feedback(),
            (Lines{"-1 " + EntryId("A3") + " deleted", "-1 " + EntryId("A2") + " deleted",
                   "-1 " + EntryId("A1") + " deleted"}));
  EXPECT_EQ(Left(), Lines{});
  const Lines log = LogMessages();
  EXPECT_EQ(
      Lines(log.end() - 6, log.end()),
      (Lines{"Deleting stale Outlook contacts...", "Deleting contact:  - Cai Holm",
             "Deleting contact: Berg, Bo - Bo Berg", "Deleting contact: Smith, Anna - Anna Smith",
             "Saving feedback to Talvo", "Import done."}));
  EXPECT_GT(std::filesystem::file_size(screenshot), 1000u);
}

TEST_F(ConfirmImportTest, EscapeKeepsThemAll) {
  EXPECT_EQ(ImportAnswering("Escape"), 0);
  EXPECT_EQ(Feedback(), Lines{});
  EXPECT_EQ(Left(), (Lines{"Smith, Anna", "Berg, Bo", "Cai Holm"}));
  const Lines log = LogMessages();
  EXPECT_EQ(Lines(log.end() - 3, log.end()), (Lines{"Deleting stale Outlook contacts...",
                                                    "Saving feedback to Talvo", "Import done."}));
}

TEST_F(ConfirmImportTest, AnEntryDeselectedWithTheKeyboardStays) {
  EXPECT_EQ(ImportAnswering("Tab Tab Down space Return"), 0);
  EXPECT_EQ(Feedback(),
            (Lines{"-1 " + EntryId("A3") + " deleted", "-1 " + EntryId("A1") + " deleted"}));
  EXPECT_EQ(Left(), Lines{"Berg, Bo"});
}

TEST_F(ConfirmImportTest, WithoutAUsableDisplayNothingIsDeletedAndTheLogSaysWhy) {
  struct Row {
    std::string environment;
    std::string reason;
  };
  const Row rows[] = {
      {"env -u DISPLAY -u WAYLAND_DISPLAY",
       "no display to show the confirmation dialog on (neither DISPLAY nor WAYLAND_DISPLAY is "
       "set)"},
      // Qt aborts the dialog program when it cannot open the display.
      {"env -u QT_QPA_PLATFORM DISPLAY=:65531",
       "the confirmation dialog failed: tovask-confirm ended by signal 6 (Aborted): qt.qpa.xcb: "
       "could not connect to display :65531"},
      // A window nobody can see is not shown at all.
      {"env DISPLAY=:65531 QT_QPA_PLATFORM=offscreen",
       "the confirmation dialog failed: tovask-confirm ended with exit status 3: tovask-confirm: "
       "no display to show the window on (Qt platform offscreen)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.environment);
    std::filesystem::remove(log_);
    EXPECT_EQ(Import(row.environment), 0);
    EXPECT_EQ(Feedback(), Lines{});
    EXPECT_EQ(Left(), (Lines{"Smith, Anna", "Berg, Bo", "Cai Holm"}));
    const Lines log = LogMessages();
    EXPECT_EQ(Lines(log.end() - 4, log.end()),
              (Lines{"Deleting stale Outlook contacts...",
                     "Stale contacts not deleted: cannot ask for confirmation - " + row.reason,
                     "Saving feedback to Talvo", "Import done."}));
  }
}

}  // namespace
}  // namespace tovask

#endif
