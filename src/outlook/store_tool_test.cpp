// End-to-end tests of the tovask-store program, run as a real process.
#include <gtest/gtest.h>

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
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
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

  // Expects the one-line error form and exit status 2.
  static void ExpectError(const Outcome& outcome, const std::string& fragment) {
    EXPECT_EQ(outcome.status, 2);
    std::vector<std::string> lines = Lines(outcome.err);
    ASSERT_EQ(lines.size(), 1u) << outcome.err;
    EXPECT_TRUE(lines[0].starts_with("tovask-store: ")) << lines[0];
    EXPECT_NE(lines[0].find(fragment), std::string::npos) << lines[0];
  }

  TempDir dir_;
};

constexpr const char* kSmallProfile = R"({"stores": [
  {"name": "Personal Folders", "readOnly": false, "faults": [], "root": {"type": 0, "folders": [
    {"name": "Contacts", "type": 2, "items": [
      {"class": "IPM.Contact", "created": "2024-01-02 03:04:05", "modified": "2024-02-03 04:05:06",
       "props": {"FirstName": "Anna", "LastName": "Weiß", "Birthday": "1980-05-01 00:00:00",
                 "Gender": 1, "HasPicture": true, "Email1Address": "anna@example.org"}},
      {"class": "IPM.Contact", "entryId": "00112233445566778899AABBCCDDEEFF0011223344556677",
       "props": {"FullName": "Ben O'Neil"}, "faults": ["save"]}],
     "folders": [{"name": "Team", "type": 2, "items": [{"class": "IPM.DistList", "props": {}}]}]},
    {"name": "A\\B", "type": 0, "items": [
      {"class": "IPM.Note", "props": {"Subject": "Hello"},
       "sender": {"name": "Carl", "address": "carl@example.org", "type": "SMTP", "faults": ["read:Address"]}},
      {"class": "REPORT.IPM.Note.NDR", "props": {"Subject": "Undeliverable"}, "sender": null}]},
    {"name": "Broken", "type": 0, "faults": ["items", "path"]}]}},
  {"name": "Archive", "readOnly": true, "root": {"type": 0, "items": [
      {"class": "IPM.Note", "modified": "2020-12-31 23:59:59", "props": {"Subject": "Old"}}]}}
]})";

TEST_F(StoreToolTest, LoadDumpLoadDumpGivesTheSameDocument) {
  WriteFile(dir_.File("small.json"), kSmallProfile);
  ASSERT_EQ(Tool("load " + Profile("a.db") + " " + ShellQuote(dir_.File("small.json"))).status, 0);
  Outcome first = Tool("dump " + Profile("a.db"));
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_NE(first.out.find("Weiß"), std::string::npos);
  EXPECT_NE(first.out.find("00112233445566778899AABBCCDDEEFF0011223344556677"), std::string::npos);
  EXPECT_NE(first.out.find("read:Address"), std::string::npos);

  // The second load reads standard input.
  Outcome load = Tool("load " + Profile("b.db") + " -", first.out);
  ASSERT_EQ(load.status, 0) << load.err;
  Outcome second = Tool("dump " + Profile("b.db"));
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(first.out, second.out);

  // Loading over a profile replaces what it held.
  WriteFile(dir_.File("empty.json"), R"({"stores": []})");
  ASSERT_EQ(Tool("load " + Profile("b.db") + " " + ShellQuote(dir_.File("empty.json"))).status, 0);
  EXPECT_EQ(Tool("dump " + Profile("b.db")).out.find("Weiß"), std::string::npos);
}

TEST_F(StoreToolTest, SchemaErrorsRejectTheWholeDocument) {
  ASSERT_EQ(Tool("init " + Profile()).status, 0);
  std::string before = Tool("dump " + Profile()).out;
  struct Row {
    const char* name;
    const char* json;
    const char* path;
  } rows[] = {
      {"date that is no date",
       R"({"stores": [{"name": "S", "root": {"type": 0, "folders": [{"name": "C", "type": 2, "items": [
           {"class": "IPM.Contact", "props": {"FirstName": "A"}},
           {"class": "IPM.Contact", "props": {"Birthday": "soon"}}]}]}}]})",
       "$.stores[0].root.folders[0].items[1].props.Birthday"},
      {"number given as text",
       R"({"stores": [{"name": "S", "root": {"type": 0, "items": [
           {"class": "IPM.Contact", "props": {"Gender": "two"}}]}}]})",
       "$.stores[0].root.items[0].props.Gender"},
      {"folder type of the wrong kind",
       R"({"stores": [{"name": "S", "root": {"type": 0}}, {"name": "T", "root": {"type": "mail"}}]})",
       "$.stores[1].root.type"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteFile(dir_.File("bad.json"), row.json);
    ExpectError(Tool("load " + Profile() + " " + ShellQuote(dir_.File("bad.json"))), row.path);
    EXPECT_EQ(Tool("dump " + Profile()).out, before);
  }
}

TEST_F(StoreToolTest, TreeShowsPathsTypesCountsAndFaults) {
  WriteFile(dir_.File("small.json"), kSmallProfile);
  ASSERT_EQ(Tool("load " + Profile() + " " + ShellQuote(dir_.File("small.json"))).status, 0);
  Outcome tree = Tool("tree " + Profile());
  ASSERT_EQ(tree.status, 0) << tree.err;
  std::vector<std::string> lines = Lines(tree.out);
  ASSERT_EQ(lines.size(), 6u) << tree.out;
  EXPECT_EQ(lines[0], "\\\\Personal Folders  mail  0 items");
  EXPECT_EQ(lines[1], "  \\\\Personal Folders\\Contacts  contact  2 items");
  EXPECT_EQ(lines[2], "    \\\\Personal Folders\\Contacts\\Team  contact  1 item");
  EXPECT_EQ(lines[3], "  \\\\Personal Folders\\A%5CB  mail  2 items");
  // The faulted folder is shown with its failure, and the walk goes on.
  EXPECT_TRUE(lines[4].starts_with("  ? Broken  mail  ? items  [")) << lines[4];
  EXPECT_NE(lines[4].find("'path'"), std::string::npos) << lines[4];
  EXPECT_NE(lines[4].find("'items'"), std::string::npos) << lines[4];
  EXPECT_EQ(lines[5], "\\\\Archive  mail  1 item");
}

TEST_F(StoreToolTest, InitMakesThePersonalFoldersOnlyOnce) {
  ASSERT_EQ(Tool("init " + Profile()).status, 0);
  Outcome tree = Tool("tree " + Profile());
  EXPECT_EQ(tree.out,
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
  std::string before = ReadFile(dir_.File("profile.db"));
  ExpectError(Tool("init " + Profile()), "exists");
  EXPECT_EQ(ReadFile(dir_.File("profile.db")), before);
}

TEST_F(StoreToolTest, GenerateFillsTheFoldersTheSameWayForASeed) {
  const std::string options =
      " --contacts 40 --mails 300 --senders 25 --until '2026-03-01 12:00:00'";
  ASSERT_EQ(Tool("init " + Profile("a.db")).status, 0);  // generate replaces it
  Outcome generate = Tool("generate " + Profile("a.db") + options + " --seed 9");
  ASSERT_EQ(generate.status, 0) << generate.err;
  std::string tree = Tool("tree " + Profile("a.db")).out;
  for (const char* line : {"  \\\\Personal Folders\\Inbox  mail  300 items\n",
                           "  \\\\Personal Folders\\Sent Items  mail  5 items\n",
                           "  \\\\Personal Folders\\Deleted Items  mail  3 items\n",
                           "  \\\\Personal Folders\\Contacts  contact  40 items\n"}) {
    EXPECT_NE(tree.find(line), std::string::npos) << line << "in\n" << tree;
  }
  std::string dump = Tool("dump " + Profile("a.db")).out;
  for (const char* fragment :
       {"IPM.Note.SMIME", "REPORT.IPM.Note.NDR", "MAILER-DAEMON", "\"EX\"", "Birthday"}) {
    EXPECT_NE(dump.find(fragment), std::string::npos) << fragment;
  }

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
  struct Row {
    std::string arguments;
    std::string fragment;
  } rows[] = {
      {"", "no command"},
      {"frobnicate", "unknown command 'frobnicate'"},
      {"init", "usage: tovask-store init PROFILE"},
      {"init a b", "usage: tovask-store init PROFILE"},
      {"init " + Profile("existing.db"), "exists"},
      {"tree " + Profile("missing.db"), "missing.db"},
      {"dump " + Profile("missing.db"), "missing.db"},
      {"load " + Profile() + " " + ShellQuote(dir_.File("nothing.json")), "nothing.json"},
      {"load " + Profile() + " -", ""},  // empty standard input is no document
      {"generate " + Profile() + " --contacts 1 --mails 1", "--senders"},
      {"generate " + Profile() + " --contacts x --mails 1 --senders 1", "'x'"},
      {"generate " + Profile() + " --contacts 1 --mails 1 --senders 0", "sender"},
      {"generate " + Profile() + " --contacts 1 --mails 1 --senders 1 --until tomorrow", "--until"},
      {"generate " + Profile() + " --contacts 1 --mails 1 --senders 1 --colour red", "--colour"},
      {"generate " + Profile() + " --contacts", "--contacts needs a value"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.arguments);
    Outcome outcome = Tool(row.arguments);
    ExpectError(outcome, row.fragment);
    EXPECT_EQ(outcome.out, "");
  }
  EXPECT_EQ(ReadFile(dir_.File("existing.db")), "not a profile");
}

}  // namespace
}  // namespace tovask::outlook
