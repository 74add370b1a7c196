// End-to-end tests of the tovask-store program, run as a real process.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "main/test_support.h"
#include "profile_store/profile_json.h"
#include "profile_store/sqlite_connection.h"

namespace tovask::outlook {
namespace {

using tovask::testing::ReadFile;
using tovask::testing::RunCommand;
using tovask::testing::ShellQuote;
using tovask::testing::TempDir;
using tovask::testing::WriteFile;

struct Outcome {
  int status;
  std::string out, err;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Repeat(const std::string& text, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i) repeated += text;
  return repeated;
}

class StoreToolTest : public ::testing::Test {
 protected:
  // Runs tovask-store with the arguments (already quoted for the shell).
  Outcome Tool(const std::string& arguments, const std::string& input = "") {
    std::string inputFile = dir_.File("stdin");
    WriteFile(inputFile, input);
    std::string outFile = dir_.File("stdout"), errFile = dir_.File("stderr");
    int status = RunCommand(ShellQuote(TOVASK_STORE_BINARY) + " " + arguments + " <" +
                            ShellQuote(inputFile) + " >" + ShellQuote(outFile) + " 2>" +
                            ShellQuote(errFile));
    return {status, ReadFile(outFile), ReadFile(errFile)};
  }

  std::string Profile(const std::string& name = "profile.db") {
    return ShellQuote(dir_.File(name));
  }

  TempDir dir_;
};

constexpr const char* kSmallProfile = R"({"stores": [
  {"name": "Personal Folders", "root": {"type": 0, "folders": [
    {"name": "Contacts", "type": 2, "items": [
      {"class": "IPM.Contact", "props": {"FirstName": "Anna"}}, {"class": "IPM.Contact"}],
     "folders": [{"name": "Team", "type": 2, "items": [{"class": "IPM.DistList"}]}]},
    {"name": "A\\B", "type": 0, "items": [{"class": "IPM.Note"}, {"class": "IPM.Note"}]},
    {"name": "Broken", "type": 0, "faults": ["items", "path"]}]}},
  {"name": "Archive", "readOnly": true, "root": {"type": 0, "items": [{"class": "IPM.Note"}]}}
]})";

TEST_F(StoreToolTest, InitLoadTreeAndDump) {
  ASSERT_EQ(Tool("init " + Profile()).status, 0);
  EXPECT_EQ(Tool("tree " + Profile()).out,
            "\\\\Personal Folders  mail  0 items\n"
            "  \\\\Personal Folders\\Inbox  mail  0 items\n"
            "  \\\\Personal Folders\\Sent Items  mail  0 items\n"
            "  \\\\Personal Folders\\Drafts  mail  0 items\n"
            "  \\\\Personal Folders\\Deleted Items  mail  0 items\n"
            "  \\\\Personal Folders\\Contacts  contact  0 items\n"
            "  \\\\Personal Folders\\Calendar  appointment  0 items\n"
            "  \\\\Personal Folders\\Tasks  task  0 items\n"
            "  \\\\Personal Folders\\Notes  note  0 items\n"
            "  \\\\Personal Folders\\Journal  journal  0 items\n");

  WriteFile(dir_.File("small.json"), kSmallProfile);
  Outcome load = Tool("load " + Profile() + " " + ShellQuote(dir_.File("small.json")));
  ASSERT_EQ(load.status, 0) << load.err;
  Outcome tree = Tool("tree " + Profile());
  ASSERT_EQ(tree.status, 0) << tree.err;
  std::vector<std::string> lines = Lines(tree.out);
  ASSERT_EQ(lines.size(), 6u) << tree.out;
  EXPECT_EQ(lines[0], "\\\\Personal Folders  mail  0 items");
  EXPECT_EQ(lines[1], "  \\\\Personal Folders\\Contacts  contact  2 items");
  EXPECT_EQ(lines[2], "    \\\\Personal Folders\\Contacts\\Team  contact  1 item");
  EXPECT_EQ(lines[3], "  \\\\Personal Folders\\A%5CB  mail  2 items");
  // The faulted folder is shown with its failures, and the walk goes on.
  EXPECT_TRUE(lines[4].starts_with("  ? Broken  mail  ? items  [")) << lines[4];
  EXPECT_NE(lines[4].find("'path'"), std::string::npos) << lines[4];
  EXPECT_NE(lines[4].find("'items'"), std::string::npos) << lines[4];
  EXPECT_EQ(lines[5], "\\\\Archive  mail  1 item");

  // What dump writes, load reads back from standard input.
  Outcome dump = Tool("dump " + Profile());
  ASSERT_EQ(dump.status, 0) << dump.err;
  EXPECT_NE(dump.out.find("Anna"), std::string::npos);
  load = Tool("load " + Profile("copy.db") + " -", dump.out);
  ASSERT_EQ(load.status, 0) << load.err;
  EXPECT_EQ(Tool("dump " + Profile("copy.db")).out, dump.out);
}

TEST_F(StoreToolTest, GenerateFillsTheFoldersTheSameWayForASeed) {
  const std::string options =
      " --contacts 40 --mails 300 --senders 25 --until '2026-03-01 12:00:00'";
  ASSERT_EQ(Tool("init " + Profile("a.db")).status, 0);  // generate replaces it
  Outcome generate = Tool("generate " + Profile("a.db") + options + " --seed 9");
  ASSERT_EQ(generate.status, 0) << generate.err;
  std::string tree = Tool("tree " + Profile("a.db")).out;
  for (const char* line : {"  \\\\Personal Folders\\Inbox  mail  300 items\n",
                           "  \\\\Personal Folders\\Contacts  contact  40 items\n"}) {
    EXPECT_NE(tree.find(line), std::string::npos) << line << "in\n" << tree;
  }
  std::string dump = Tool("dump " + Profile("a.db")).out;
  ASSERT_EQ(Tool("generate " + Profile("b.db") + " --seed=9" + options).status, 0);
  EXPECT_EQ(Tool("dump " + Profile("b.db")).out, dump);
  ASSERT_EQ(Tool("generate " + Profile("c.db") + options + " --seed 10").status, 0);
  EXPECT_NE(Tool("dump " + Profile("c.db")).out, dump);
}

TEST_F(StoreToolTest, HelpForTheToolAndEveryCommand) {
  for (const char* arguments :
       {"--help", "help", "init --help", "load --help", "dump --help", "tree --help",
        "generate --help", "generate x --contacts 1 --help"}) {
    SCOPED_TRACE(arguments);
    Outcome outcome = Tool(arguments);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_TRUE(outcome.out.starts_with("Usage: tovask-store")) << outcome.out;
    EXPECT_EQ(outcome.err, "");
  }
  EXPECT_NE(Tool("--help").out.find("generate PROFILE --contacts N"), std::string::npos);
}

TEST_F(StoreToolTest, MistakesGiveOneLineAndStatusTwo) {
  WriteFile(dir_.File("existing.db"), "not a profile");
  ASSERT_EQ(Tool("init " + Profile()).status, 0);
  const std::string before = Tool("dump " + Profile()).out;
  WriteFile(dir_.File("bad.json"), R"({"stores": [{"name": "S", "readOnly": 1}]})");
  const std::pair<std::string, std::string> rows[] = {
      // arguments, a part of the one error line
      {"", "no command"},
      {"frobnicate", "unknown command 'frobnicate'"},
      {"init", "usage: tovask-store init PROFILE"},
      {"init " + Profile("existing.db"), "exists"},
      {"tree " + Profile("missing.db"), "missing.db"},
      {"load " + Profile() + " " + ShellQuote(dir_.File("nothing.json")), "nothing.json"},
      {"load " + Profile() + " -", ""},  // empty standard input is no document
      {"load " + Profile() + " " + ShellQuote(dir_.File("bad.json")), "$.stores[0].readOnly"},
      {"generate " + Profile() + " --contacts 1 --mails 1", "--senders"},
      {"generate " + Profile() + " --contacts x --mails 1 --senders 1", "'x'"},
      {"generate " + Profile() + " --contacts 1 --mails 1 --senders 0", "sender"},
      {"generate " + Profile() + " --contacts 1 --mails 1 --senders 1 --until tomorrow", "--until"},
      {"generate " + Profile() + " --contacts 1 --mails 1 --senders 1 --colour red", "--colour"},
      {"generate " + Profile() + " --contacts", "--contacts needs a value"},
  };
  for (const auto& [arguments, fragment] : rows) {
    SCOPED_TRACE(arguments);
    Outcome outcome = Tool(arguments);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(Lines(outcome.err).size(), 1u) << outcome.err;
    EXPECT_TRUE(outcome.err.starts_with("tovask-store: ")) << outcome.err;
    EXPECT_NE(outcome.err.find(fragment), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.out, "");
  }
  EXPECT_EQ(ReadFile(dir_.File("existing.db")), "not a profile");
  EXPECT_EQ(Tool("dump " + Profile()).out, before) << "a rejected load changed the profile";
}

TEST_F(StoreToolTest, TreeShowsControlCharactersEscapedAndInitMakesNoFolder) {
  WriteFile(dir_.File("odd.json"), R"({"stores": [{"name": "P", "root": {"folders": [
      {"name": "Bad\u001b[2J\u0007Name\u0085"}, {"name": "Grüße"}]}}]})");
  ASSERT_EQ(Tool("load " + Profile() + " " + ShellQuote(dir_.File("odd.json"))).status, 0);
  EXPECT_EQ(Tool("tree " + Profile()).out,
            "\\\\P  mail  0 items\n"
            "  \\\\P\\Bad\\x1B[2J\\x07Name\\x85  mail  0 items\n"
            "  \\\\P\\Grüße  mail  0 items\n");

  Outcome init = Tool("init " + ShellQuote(dir_.File("no/such/folder/profile.db")));
  EXPECT_EQ(init.status, 2);
  EXPECT_NE(init.err.find("no/such/folder"), std::string::npos) << init.err;
  EXPECT_FALSE(std::filesystem::exists(dir_.File("no")));
}

// Reading commands, and a load that refuses, leave a file that is not a
// profile byte for byte as it was.
TEST_F(StoreToolTest, FilesThatAreNoProfilesStayAsTheyWere) {
  WriteFile(dir_.File("empty.db"), "");
  {
    SqliteConnection foreign(dir_.File("foreign.db"), true);
    foreign.Exec("CREATE TABLE notes(text); INSERT INTO notes VALUES ('mine');");
  }
  const std::string foreignBytes = ReadFile(dir_.File("foreign.db"));
  WriteFile(dir_.File("doc.json"), R"({"stores": [{"name": "P"}]})");
  const std::string runs[] = {
      ShellQuote(TOVASK_STORE_BINARY) + " tree " + Profile("empty.db"),
      ShellQuote(TOVASK_STORE_BINARY) + " tree " + Profile("foreign.db"),
      ShellQuote(TOVASK_STORE_BINARY) + " dump " + Profile("foreign.db"),
      ShellQuote(TOVASK_STORE_BINARY) + " load " + Profile("foreign.db") + " " +
          ShellQuote(dir_.File("doc.json")),
      "TOVASK_PROFILE=" + Profile("foreign.db") + " " + ShellQuote(TOVASK_BINARY) + " -f " +
          ShellQuote(dir_.File("folders.xml")),
      "TOVASK_PROFILE=" + Profile("empty.db") + " " + ShellQuote(TOVASK_BINARY) + " -o 0 '\\\\P' " +
          ShellQuote(dir_.File("contacts.xml")),
  };
  for (const std::string& run : runs) {
    SCOPED_TRACE(run);
    EXPECT_NE(RunCommand(run + " >" + ShellQuote(dir_.File("out.txt")) + " 2>&1"), 0);
    EXPECT_EQ(ReadFile(dir_.File("empty.db")), "");
    EXPECT_EQ(ReadFile(dir_.File("foreign.db")), foreignBytes);
  }
}

// Only a file written by other means can hold folders deeper than the
// bound; every walk ends there.
TEST_F(StoreToolTest, FolderChainsEndAtTheDepthBound) {
  ASSERT_EQ(Tool("load " + Profile() + " -", R"({"stores": [{"name": "P"}]})").status, 0);
  {
    SqliteConnection connection(dir_.File("profile.db"), false);
    connection.Exec("BEGIN");
    std::int64_t parent = 1;
    for (int level = 1; level <= 1000; ++level) {
      connection.Exec(
          "INSERT INTO folders(store_id, parent_id, name, folded, item_type, faults) "
          "VALUES (1, " +
          std::to_string(parent) + ", 'F', 'f', 0, '')");
      parent = connection.LastInsertId();
    }
    connection.Exec("COMMIT");
  }
  std::vector<std::string> tree = Lines(Tool("tree " + Profile()).out);
  ASSERT_EQ(tree.size(), 301u);
  EXPECT_EQ(tree.back(), std::string(600, ' ') + "\\\\P" + Repeat("\\F", 300) + "  mail  0 items");

  RunCommand("TOVASK_PROFILE=" + Profile() + " " + ShellQuote(TOVASK_BINARY) + " -f " +
             ShellQuote(dir_.File("folders.xml")));
  std::string listing = ReadFile(dir_.File("folders.xml"));
  std::size_t entries = 0;
  for (std::size_t at = listing.find("<EmailFolder>"); at != std::string::npos;
       at = listing.find("<EmailFolder>", at + 1)) {
    ++entries;
  }
  EXPECT_EQ(entries, 301u);

  Outcome dump = Tool("dump " + Profile());
  EXPECT_EQ(dump.status, 2);
  EXPECT_NE(dump.err.find("deeper than 300 levels"), std::string::npos) << dump.err;
}

}  // namespace
}  // namespace tovask::outlook
