// tovask-store attach and detach, and attached stores in tree, dump and load,
// through the real program on the sample files.
#include <gtest/gtest.h>

#include <filesystem>

#include "main/test_support.h"
#include "pst/sample_files.h"

namespace tovask::outlook {
namespace {

using testing::ProgramOutcome;
using testing::ReadFile;
using testing::RunCaptured;
using testing::SampleFile;
using testing::ShellQuote;
using testing::TempDir;
using testing::WriteFile;

class AttachToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TOVASK_SKIP_WITHOUT_SAMPLE_FILES();
    ASSERT_EQ(Tool("init " + ShellQuote(profile_)).status, 0);
  }

  ProgramOutcome Tool(const std::string& arguments) {
    return RunCaptured("cd " + ShellQuote(dir_.path().string()) + " && " +
                           ShellQuote(TOVASK_STORE_BINARY) + " " + arguments,
                       scratch_.path());
  }
  std::string Dump() { return Tool("dump " + ShellQuote(profile_)).out; }

  TempDir dir_, scratch_;
  std::string profile_ = dir_.File("profile.db");
};

TEST_F(AttachToolTest, AttachedFilesAreStoresNamedByOptionDisplayNameOrFileName) {
  std::filesystem::copy_file(SampleFile("SampleOstFile.ost"), dir_.File("Mailbox.ost"));
  ProgramOutcome byDisplayName =
      Tool("attach " + ShellQuote(profile_) + " " + ShellQuote(SampleFile("SampleContacts.pst")));
  EXPECT_EQ(byDisplayName.status, 0) << byDisplayName.err;
  EXPECT_EQ(byDisplayName.out,
            "attached " + SampleFile("SampleContacts.pst") + " as store 'Personal folders'\n");
  // An .ost has no display name; a relative path is kept absolute.
  ProgramOutcome byFileName = Tool("attach profile.db Mailbox.ost");
  EXPECT_EQ(byFileName.out, "attached " + dir_.File("Mailbox.ost") + " as store 'Mailbox'\n");
  ProgramOutcome byOption = Tool("attach " + ShellQuote(profile_) + " " +
                                 ShellQuote(SampleFile("Outlook_1.pst")) + " --name 'Old Mail'");
  EXPECT_EQ(byOption.out, "attached " + SampleFile("Outlook_1.pst") + " as store 'Old Mail'\n");

  std::string tree = Tool("tree " + ShellQuote(profile_)).out;
  for (const char* line : {"\\\\Personal Folders  mail  0 items\n",
                           "\\\\Personal folders\\Contacts  contact  6 items\n",
                           "  \\\\Mailbox\\Inbox\\sub2  mail  29 items\n",
                           "  \\\\Old Mail\\Contacts  contact  1 item\n"}) {
    EXPECT_NE(tree.find(line), std::string::npos) << line << "\n" << tree;
  }
  EXPECT_LT(tree.find("\\\\Personal folders  mail"), tree.find("\\\\Mailbox  mail"));
  EXPECT_LT(tree.find("\\\\Mailbox  mail"), tree.find("\\\\Old Mail  mail"));

  // Dump writes the attached stores as data files; loading the dump gives it back.
  std::string dump = Dump();
  EXPECT_NE(dump.find("{\n      \"name\": \"Old Mail\",\n      \"dataFile\": \"" +
                      SampleFile("Outlook_1.pst") + "\"\n    }"),
            std::string::npos)
      << dump;
  WriteFile(dir_.File("dump.json"), dump);
  ASSERT_EQ(Tool("load " + ShellQuote(profile_) + " dump.json").status, 0);
  EXPECT_EQ(Dump(), dump);

  // Detached, the store goes and the file stays; it can come back.
  EXPECT_EQ(Tool("detach " + ShellQuote(profile_) + " 'old mail'").status, 0);
  EXPECT_EQ(Tool("tree " + ShellQuote(profile_)).out.find("Old Mail"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(SampleFile("Outlook_1.pst")));
  EXPECT_EQ(
      Tool("attach " + ShellQuote(profile_) + " " + ShellQuote(SampleFile("Outlook_1.pst"))).out,
      "attached " + SampleFile("Outlook_1.pst") + " as store 'Outlook'\n");
}

TEST_F(AttachToolTest, RefusalsAreOneLineAndChangeNothing) {
  ASSERT_EQ(
      Tool("attach " + ShellQuote(profile_) + " " + ShellQuote(SampleFile("Outlook_1.pst"))).status,
      0);
  std::filesystem::copy_file(SampleFile("Outlook_1.pst"), dir_.File("copy.pst"));
  WriteFile(dir_.File("notes.pst"), "no data file\n");
  WriteFile(dir_.File("none.json"), R"({"stores": [{"name": "X", "dataFile": "notes.pst"}]})");
  WriteFile(dir_.File("folders.json"), R"({"stores": [{"dataFile": "copy.pst", "root": {}}]})");
  WriteFile(dir_.File("twice.json"), R"({"stores": [{"dataFile": "copy.pst"}, {"name": "B", )"
                                     R"("dataFile": ")" +
                                         SampleFile("Outlook_1.pst") + "\"}]}");
  const std::string before = Dump();
  struct Row {
    const char* name;
    std::string arguments;
    std::string error;
  };
  const Row rows[] = {
      {"no data file", "attach profile.db notes.pst",
       "tovask-store: cannot attach notes.pst: cannot open " + dir_.File("notes.pst") +
           " as an Outlook data file: "},
      {"missing file", "attach profile.db gone.pst", "tovask-store: cannot attach gone.pst: "},
      {"the same file twice", "attach profile.db " + ShellQuote(SampleFile("Outlook_1.pst")),
       "tovask-store: cannot attach " + SampleFile("Outlook_1.pst") +
           ": the same data file is attached already as store 'Outlook' (" +
           SampleFile("Outlook_1.pst") + ")"},
      {"a copy of it", "attach profile.db copy.pst --name Copy",
       "tovask-store: cannot attach copy.pst: the same data file is attached already as store "
       "'Outlook'"},
      {"an empty name", "attach profile.db copy.pst --name ''",
       "tovask-store: --name wants a store name, not an empty one"},
      {"no profile", "attach nowhere.db copy.pst", "tovask-store: no profile at nowhere.db"},
      {"detach an unknown store", "detach profile.db Archive",
       "tovask-store: No attached data file has the store name 'Archive'"},
      {"detach a store of the profile", "detach profile.db 'Personal Folders'",
       "tovask-store: No attached data file has the store name 'Personal Folders'"},
      {"load a file that is none", "load profile.db none.json",
       "tovask-store: $.stores[0].dataFile: cannot open " + dir_.File("notes.pst")},
      {"load a data file with folders", "load profile.db folders.json",
       "tovask-store: $.stores[0]: a data-file store has neither \"root\" nor \"faults\""},
      {"load one file twice", "load profile.db twice.json",
       "tovask-store: $.stores[1].dataFile: the data file " + SampleFile("Outlook_1.pst") +
           " is attached already"},
  };
  for (const Row& row : rows) {
    ProgramOutcome outcome = Tool(row.arguments);
    EXPECT_EQ(outcome.status, 2) << row.name;
    EXPECT_EQ(outcome.err.rfind(row.error, 0), 0u) << row.name << ": " << outcome.err;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << row.name;
    EXPECT_EQ(Dump(), before) << row.name;
  }
}

TEST_F(AttachToolTest, TreeShowsAFileGoneMissingOnItsStoresLine) {
  std::filesystem::copy_file(SampleFile("SampleContacts.pst"), dir_.File("archive.pst"));
  ASSERT_EQ(Tool("attach profile.db archive.pst --name Archive").status, 0);
  std::filesystem::remove(dir_.File("archive.pst"));
  ProgramOutcome tree = Tool("tree profile.db");
  EXPECT_EQ(tree.status, 0) << tree.err;
  EXPECT_NE(tree.out.find("\\\\Personal Folders\\Contacts  contact  0 items\n"), std::string::npos);
  std::string missing = "\\\\Archive  [libpff, -2147467259 - cannot open " +
                        dir_.File("archive.pst") + " as an Outlook data file";
  EXPECT_NE(tree.out.find(missing), std::string::npos) << tree.out;
}

}  // namespace
}  // namespace tovask::outlook
