// End-to-end tests of the tovask-store program, run as a real process.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "main/test_support.h"

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

}  // namespace
}  // namespace tovask::outlook
