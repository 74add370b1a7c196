#include "import/import_contacts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "import/import_test_support.h"

namespace tovask {
namespace {

using testing::EntryId;
using testing::ReadFile;
using testing::StoreWith;
using Json = nlohmann::json;
using Lines = std::vector<std::string>;

std::string Contact(const std::string& tail, const std::string& fileAs, const std::string& fullName,
                    const std::string& faults = "") {
  return R"({"class": "IPM.Contact", "entryId": ")" + EntryId(tail) +
         R"(", "props": {"FileAs": ")" + fileAs + R"(", "FullName": ")" + fullName +
         R"("}, "faults": [)" + faults + "]}";
}

// \\P\C holds A1 (Smith, Anna), A2 (Berg, Bo), the distribution list A3,
// A4 (only a full name), A6 (no name); \\P\C\Sub and \\P\Other one contact each.
std::string Folders(const std::string& extraInC = "") {
  return R"({"name": "C", "type": 2, "items": [)" + Contact("A1", "Smith, Anna", "Anna Smith") +
         "," + Contact("A2", "Berg, Bo", "Bo Berg") +
         R"(, {"class": "IPM.DistList", "entryId": ")" + EntryId("A3") + R"("}, )" +
         Contact("A4", "", "Cai Holm") + "," + Contact("A6", "", "") + extraInC +
         R"(], "folders": [{"name": "Sub", "type": 2, "items": [)" + Contact("A5", "Sub", "Sub") +
         R"(]}]}, {"name": "Other", "type": 2, "items": [)" + Contact("B1", "Other", "Other") +
         "]}";
}

class ImportContactsTest : public testing::ImportTestBase {
 protected:
  void SetUp() override {
    ImportTestBase::SetUp();
    UseProfile(StoreWith(Folders()));
  }

  void Import(bool backup, bool deleteStale, bool confirm = false,
              const AskDeleteConfirmation& ask = {}, const std::string& path = "\\\\P\\C") {
    ImportContacts(path, input_, feedback_, backup, deleteStale, confirm, ask);
  }

  // The FileAs of each item of a folder, in order ("-" for other items).
  Lines FileAs(const std::string& path) const {
    Lines names;
    for (const Json& item : Items(path)) {
      names.push_back(item["class"] == "IPM.Contact" ? item["props"].value("FileAs", "") : "-");
    }
    return names;
  }
};

TEST_F(ImportContactsTest, RefusedInputLeavesNoFeedbackAndTheProfileUntouched) {
  const std::string before = profile_->Dump();
  struct Row {
    std::string file;
    std::string document;  // not written when empty
    std::string logged;
  } rows[] = {
      {dir_.File("missing.xml"), "", "line 0: No such file or directory"},
      {input_, "<a><contact id=\"1\"><b></a>", "line 1: <a><contact id=\"1\"><b></a>"},
      {input_,
       "<!DOCTYPE a [<!ENTITY x SYSTEM \"file:///etc/hostname\">]><a><contact id=\"1\">"
       "<FirstName>&x;</FirstName></contact></a>",
       "line 1: <!DOCTYPE a [<!ENTITY x SYSTEM \"file:///etc/hostname\">]><a><contact id=\"1\">"
       "<FirstName>&x;</FirstName></contact></a>"},
      {input_, "<!DOCTYPE a SYSTEM \"a.dtd\">\n<a><contact id=\"1\"/></a>",
       "line 1: <!DOCTYPE a SYSTEM \"a.dtd\">"},
  };
  for (const Row& row : rows) {
    if (!row.document.empty()) testing::WriteFile(row.file, row.document);
    std::filesystem::remove(log_);
    StartLog(log_);
    ImportContacts("\\\\P\\C", row.file, feedback_, true, true, false);
    EXPECT_EQ(LogMessages(), (Lines{"Loading input file: " + row.file, row.logged}));
    EXPECT_FALSE(std::filesystem::exists(feedback_)) << row.logged;
    EXPECT_EQ(profile_->Dump(), before) << row.logged;
    EXPECT_TRUE(AnyFailureTrapped());
  }
}

TEST_F(ImportContactsTest, MatchesByEntryIdInTheFolderAndCreatesTheRest) {
  const std::string lowerA1 = "0123456789abcdef0123456789abcdef00000000000000a1";
  Input("\n  <contact id=\"1\" EntryID=\"" + EntryId("A2") +
        "\">\n    <FullName><![CDATA[Bo Berg]]></FullName>\n    <FileAs>Berg, B.</FileAs>\n  "
        "</contact>\n"
        "<contact id=\"2\"><FullName>New Two</FullName></contact>"
        "<contact id=\"3\" EntryID=\"\"><FullName>New Three</FullName></contact>"
        "<contact id=\"4\" EntryID=\"" +
        EntryId("FF") +
        "\"><FullName>New Four</FullName></contact>"
        "<contact id=\"5\" EntryID=\"x' OR '1'='1\"><FullName>New Five</FullName></contact>"
        "<contact id=\"6\" EntryID=\"" +
        EntryId("B1") +
        "\"><FullName>New Six</FullName></contact>"
        "<contact id=\"7\" EntryID=\"" +
        lowerA1 +
        "\"><FullName>Anna Smith</FullName></contact>"
        "<contact id=\"\" EntryID=\"" +
        EntryId("A2") + "\"><FullName>Bo Berg</FullName></contact>");
  Import(false, false);

  const Lines feedback = Feedback();
  ASSERT_EQ(feedback.size(), 8u);
  EXPECT_EQ(feedback[0], "1 " + EntryId("A2") + " updated");
  for (size_t i = 1; i <= 5; ++i) {
    // A new identifier of 48 characters each.
    EXPECT_EQ(feedback[i].substr(0, 2), std::to_string(i + 1) + " ") << feedback[i];
    EXPECT_EQ(feedback[i].substr(50), " created") << feedback[i];
  }
  EXPECT_EQ(feedback[6], "7 " + EntryId("A1") + " updated");
  EXPECT_EQ(feedback[7], " " + EntryId("A2") + " updated");
  EXPECT_EQ(FileAs("C"), (Lines{"Smith, Anna", "Berg, B.", "-", "", "", "New Two", "New Three",
                                "New Four", "New Five", "New Six"}));
  EXPECT_EQ(FileAs("Other"), (Lines{"Other"}));
  const Lines log = LogMessages();
  ASSERT_EQ(log.size(), 14u);
  EXPECT_EQ(log[3], "Connected to Outlook folder: \\\\P\\C");
  EXPECT_EQ(log[4], "Updating Outlook contact: Berg, Bo - Bo Berg from Talvo contact (1)");
  EXPECT_EQ(log[5], "Creating an Outlook contact from Talvo contact (2)");
  EXPECT_EQ(log[11], "Updating Outlook contact: Berg, B. - Bo Berg from Talvo contact ()");
  EXPECT_EQ(log[12], "Saving feedback to Talvo");
  EXPECT_EQ(log[13], "Import done.");
  EXPECT_FALSE(AnyFailureTrapped());
}

TEST_F(ImportContactsTest, FeedbackDocumentBytes) {
  Input("<contact id=\"a&amp;b&quot;&lt;\" EntryID=\"" + EntryId("A1") +
        "\"><FullName>Anna Smith</FullName></contact>"
        "<contact id=\"2\" EntryID=\"" +
        EntryId("A4") +
        "\"><FullName>C</FullName></contact>"
        "<contact id=\"3\" EntryID=\"" +
        EntryId("A6") + "\"><FullName>D</FullName></contact>");
  Import(false, true);
  EXPECT_EQ(
      ReadFile(feedback_),
      "<?xml version=\"1.0\"?>\n<mergedcontacts><contact id=\"a&amp;b&quot;&lt;\" EntryID=\"" +
          EntryId("A1") + "\" status=\"updated\"/><contact id=\"2\" EntryID=\"" + EntryId("A4") +
          "\" status=\"updated\"/><contact id=\"3\" EntryID=\"" + EntryId("A6") +
          "\" status=\"updated\"/><contact id=\"-1\" EntryID=\"" + EntryId("A2") +
          "\" status=\"deleted\"/></mergedcontacts>\n");
}

TEST_F(ImportContactsTest, MissingFolderGivesAFeedbackDocumentWithItsRootOnly) {
  UseProfile(StoreWith(Folders() + R"(, {"name": "NoItems", "type": 2, "faults": ["items"]})"));
  Input("<contact id=\"1\"><FullName>New</FullName></contact>");
  // Not found; found, but its contacts cannot be listed for deletion.
  for (const std::string path : {"\\\\P\\Nowhere", "\\\\P\\NoItems"}) {
    std::filesystem::remove(log_);
    StartLog(log_);
    Import(false, true, false, {}, path);
    Lines expected = {"Loading input file: " + input_,
                      "Loaded input file: " + input_,
                      "Connecting to Outlook folder: " + path,
                      "Error: Folder does not exist: " + path,
                      "Saving feedback to Talvo",
                      "Import done."};
    if (path.ends_with("NoItems")) {
      expected.insert(expected.begin() + 3, "Connected to Outlook folder: " + path);
    }
    EXPECT_EQ(LogMessages(), expected);
    EXPECT_EQ(ReadFile(feedback_), "<?xml version=\"1.0\"?>\n<mergedcontacts/>\n");
  }
  EXPECT_TRUE(AnyFailureTrapped());
}

TEST_F(ImportContactsTest, StaleContactsAreDeletedFromTheLastPositionAfterTheMerge) {
  // A1 is matched by its identifier in lower case: the key removed from the
  // stale set is the contact's own.
  Input(
      "<contact id=\"1\" EntryID=\"0123456789abcdef0123456789abcdef00000000000000a1\">"
      "<FullName>Anna Smith</FullName><FileAs>Smith, Anna</FileAs></contact>"
      "<contact id=\"2\"><FullName>New</FullName></contact>");
  Import(false, true);
  Lines feedback = Feedback();
  ASSERT_EQ(feedback.size(), 5u);
  EXPECT_EQ(feedback[0], "1 " + EntryId("A1") + " updated");
  EXPECT_EQ(feedback[2], "-1 " + EntryId("A6") + " deleted");
  EXPECT_EQ(feedback[3], "-1 " + EntryId("A4") + " deleted");
  EXPECT_EQ(feedback[4], "-1 " + EntryId("A2") + " deleted");
  // The created contact, the distribution list and the subfolder's contact stay.
  EXPECT_EQ(FileAs("C"), (Lines{"Smith, Anna", "-", "New"}));
  EXPECT_EQ(FileAs("C/Sub"), (Lines{"Sub"}));
  Lines log = LogMessages();
  EXPECT_EQ(Lines(log.end() - 6, log.end()),
            (Lines{"Deleting stale Outlook contacts...", "Deleting contact:  - ",
                   "Deleting contact:  - Cai Holm", "Deleting contact: Berg, Bo - Bo Berg",
                   "Saving feedback to Talvo", "Import done."}));

  // A document without contacts deletes every contact of the folder.
  Input("");
  Import(false, true);
  feedback = Feedback();
  ASSERT_EQ(feedback.size(), 2u);
  EXPECT_EQ(feedback[0].substr(51), " deleted");
  EXPECT_EQ(feedback[1], "-1 " + EntryId("A1") + " deleted");
  EXPECT_EQ(FileAs("C"), (Lines{"-"}));
}

TEST_F(ImportContactsTest, ConfirmationDecidesWhichStaleContactsGo) {
  Input("<contact id=\"1\" EntryID=\"" + EntryId("A1") + "\"><FullName>A</FullName></contact>");
  Lines asked;
  Import(false, true, true, [&](const Lines& texts) {
    asked = texts;
    return DeleteDecision{false, {true, false, true}, ""};
  });
  EXPECT_EQ(asked, (Lines{"Berg, Bo", "Cai Holm", "Unnamed"}));
  EXPECT_EQ(Feedback(),
            (Lines{"1 " + EntryId("A1") + " updated", "-1 " + EntryId("A6") + " deleted",
                   "-1 " + EntryId("A2") + " deleted"}));

  // Nobody can be asked: nothing is deleted.
  testing::ScopedEnv noDisplay("DISPLAY", nullptr), noWayland("WAYLAND_DISPLAY", nullptr);
  ImportContacts("\\\\P\\C", input_, feedback_, false, true, true);
  EXPECT_EQ(Feedback(), (Lines{"1 " + EntryId("A1") + " updated"}));
  EXPECT_EQ(FileAs("C"), (Lines{"Smith, Anna", "-", ""}));
  const Lines log = LogMessages();
  EXPECT_EQ(log.end()[-4], "Deleting stale Outlook contacts...");
  EXPECT_EQ(log.end()[-3].rfind("Stale contacts not deleted: cannot ask for confirmation - ", 0),
            0u)
      << log.end()[-3];

  // Nothing stale: nobody is asked.
  Input("<contact id=\"1\" EntryID=\"" + EntryId("A1") +
        "\"><FileAs>A</FileAs></contact>"
        "<contact id=\"2\" EntryID=\"" +
        EntryId("A4") + "\"><FileAs>C</FileAs></contact>");
  Import(false, true, true, [](const Lines&) {
    ADD_FAILURE() << "asked";
    return DeleteDecision{};
  });
  EXPECT_EQ(Feedback().size(), 2u);
}

TEST_F(ImportContactsTest, FailuresOfOneContactAndOfTheMergeAreLoggedWhereTheyHappen) {
  UseProfile(StoreWith(Folders(", " + Contact("A7", "Locked", "Locked", R"("save", "remove")"))));
  Input("<contact id=\"1\" EntryID=\"" + EntryId("A7") +
        "\"><FileAs>L</FileAs></contact>"
        "<contact id=\"2\"><FileAs>N</FileAs></contact><contact><FileAs>X</FileAs></contact>"
        "<contact id=\"4\"><FileAs>Y</FileAs></contact>");
  // The unsaved contact is still reported as updated; the merge stops at the
  // contact without id, before creating it, so nothing is deleted.
  Import(false, true);
  Lines feedback = Feedback();
  ASSERT_EQ(feedback.size(), 2u);
  EXPECT_EQ(feedback[0], "1 " + EntryId("A7") + " updated");
  EXPECT_EQ(FileAs("C"), (Lines{"Smith, Anna", "Berg, Bo", "-", "", "", "Locked", "N"}));
  Lines log = LogMessages();
  EXPECT_EQ(Lines(log.begin() + 4, log.end()),
            (Lines{"Updating Outlook contact: Locked - Locked from Talvo contact (1)",
                   "Error updating contact: ProfileStore, -2147467259 - Fault 'save' on item " +
                       EntryId("A7"),
                   "Creating an Outlook contact from Talvo contact (2)",
                   "Error: ContactDocument, 94 - A contact element has no id attribute",
                   "Saving feedback to Talvo", "Import done."}));

  // A contact that cannot be removed stays and gets no feedback element.
  Input("");
  Import(false, true);
  EXPECT_EQ(Feedback().size(), 5u);
  EXPECT_EQ(FileAs("C"), (Lines{"-", "Locked"}));
  log = LogMessages();
  EXPECT_NE(
      std::find(log.begin(), log.end(),
                "Error deleting contact: ProfileStore, -2147467259 - Fault 'remove' on item " +
                    EntryId("A7")),
      log.end());
}

TEST_F(ImportContactsTest, NewContactThatCannotBeSavedIsNotReported) {
  UseProfile(StoreWith(R"({"name": "C", "type": 2, "faults": ["save"]})"));
  Input(
      "<contact id=\"1\"><FileAs>N</FileAs></contact>"
      "<contact id=\"2\"><FileAs>O</FileAs><Department/></contact>");
  Import(false, false);
  EXPECT_EQ(Feedback(), Lines{});
  const Lines log = LogMessages();
  EXPECT_EQ(Lines(log.begin() + 4, log.end() - 2),
            (Lines{"Creating an Outlook contact from Talvo contact (1)",
                   "Error updating contact: ProfileStore, -2147467259 - Fault 'save' on folder "
                   "\\\\P\\C",
                   "Creating an Outlook contact from Talvo contact (2)",
                   "Error updating contact: ContactDocument, 91 - The element Department has no "
                   "child node"}));
  EXPECT_TRUE(Items("C").empty());
}

TEST_F(ImportContactsTest, BackupIsTakenOnceBesideTheFolder) {
  Input("<contact id=\"1\"><FileAs>New</FileAs></contact>");
  Import(true, false);
  EXPECT_EQ(FileAs("C (talvo backup)"), (Lines{"Smith, Anna", "Berg, Bo", "", ""}));
  const Lines log = LogMessages();
  EXPECT_EQ(Lines(log.begin() + 4, log.begin() + 8),
            (Lines{"Backuping contact: Smith, Anna", "Backuping contact: Berg, Bo",
                   "Backuping contact: ", "Backuping contact: "}));
  std::filesystem::remove(log_);
  StartLog(log_);
  Import(true, false);
  EXPECT_EQ(FileAs("C (talvo backup)"), (Lines{"Smith, Anna", "Berg, Bo", "", ""}));
  EXPECT_EQ(LogMessages()[4], "Creating an Outlook contact from Talvo contact (1)");
}

TEST_F(ImportContactsTest, BackupFailuresAreLoggedAndTheImportGoesOn) {
  struct Row {
    std::string profile, path, logged;
  } rows[] = {
      {StoreWith(Folders()), "\\\\P",
       "Error backuping contacts - Import, 5 - The folder \\\\P has no parent to hold its backup "
       "folder"},
      {R"({"stores": [{"name": "P", "root": {"faults": ["addFolder"], "folders": [)" + Folders() +
           "]}}]}",
       "\\\\P\\C",
       "Error backuping contacts - ProfileStore, -2147467259 - Fault 'addFolder' on folder \\\\P"},
      {StoreWith(R"({"name": "C", "type": 2, "items": [)" +
                 Contact("A1", "Smith, Anna", "", R"("copy")") + "," + Contact("A2", "Bo", "") +
                 "]}"),
       "\\\\P\\C",
       "Error backuping contacts - ProfileStore, -2147467259 - Fault 'copy' on item " +
           EntryId("A1")},
  };
  Input("");
  for (const Row& row : rows) {
    UseProfile(row.profile);
    std::filesystem::remove(log_);
    StartLog(log_);
    Import(true, false, false, {}, row.path);
    const Lines log = LogMessages();
    EXPECT_NE(std::find(log.begin(), log.end(), row.logged), log.end()) << row.logged;
    EXPECT_EQ(log.back(), "Import done.") << row.logged;
  }
  EXPECT_EQ(FileAs("C (talvo backup)"), (Lines{"Bo"}));
}

TEST_F(ImportContactsTest, WithoutAProfileOrAPlaceForTheFeedbackTheRunEndsUndone) {
  Input("<contact id=\"1\"><FileAs>N</FileAs></contact>");
  feedback_ = dir_.File("missing/feedback.xml");
  Import(false, false);
  Lines log = LogMessages();
  EXPECT_EQ(log.end()[-2], "Saving feedback to Talvo");
  EXPECT_EQ(log.back().rfind("Error: System, 2 - ", 0), 0u) << log.back();

  testing::ScopedEnv noProfile("TOVASK_PROFILE", dir_.File("none.db").c_str());
  feedback_ = dir_.File("feedback.xml");
  Import(false, false);
  log = LogMessages();
  EXPECT_EQ(log.end()[-2], "Connecting to Outlook folder: \\\\P\\C");
  EXPECT_EQ(log.back().rfind("Error: ProfileStore, ", 0), 0u) << log.back();
  EXPECT_FALSE(std::filesystem::exists(feedback_));
}

TEST_F(ImportContactsTest, ProgramExitsZeroWhenCleanAndOneWhenAFailureWasTrapped) {
  Input("<contact id=\"1\"><FileAs>N</FileAs></contact>");
  auto run = [&](const std::string& folder) {
    return testing::RunCommand("TOVASK_PROFILE=" + testing::ShellQuote(profile_->path()) + " " +
                               TOVASK_BINARY + " -i 0 " + testing::ShellQuote(folder) + " " +
                               testing::ShellQuote(input_) + " " + testing::ShellQuote(feedback_) +
                               " -b -d");
  };
  EXPECT_EQ(run("\\\\P\\C"), 0);
  EXPECT_EQ(Feedback().size(), 5u);  // one created, four deleted
  EXPECT_EQ(run("\\\\P\\Nowhere"), 1);
  EXPECT_EQ(Feedback().size(), 0u);
}

}  // namespace
}  // namespace tovask
