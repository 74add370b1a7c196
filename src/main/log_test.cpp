#include "main/log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "main/failure.h"
#include "main/test_support.h"

namespace tovask {
namespace {

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetLog(); }
  void TearDown() override { ResetLog(); }

  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "text does not end with a line end";
    return lines;
  }

  // The message part of an entry, after checking the framing before it.
  static std::string MessageOf(const std::string& line) {
    static const std::regex kFrame(
        R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2} Information tovask\[(\d+)\]: )");
    std::smatch match;
    if (!std::regex_search(line, match, kFrame)) {
      ADD_FAILURE() << "not a log entry: " << line;
      return "";
    }
    EXPECT_EQ(match[1].str(), std::to_string(getpid()));
    return match.suffix().str();
  }

  testing::TempDir dir_;
};

TEST_F(LogTest, AppendsToWhatTheFileHolds) {
  const std::string path = dir_.File("run.log");
  testing::WriteFile(path, "an earlier line\n");
  StartLog(path);
  ASSERT_TRUE(LoggingStarted());
  WriteLogEntry("Connected to Outlook");
  std::vector<std::string> lines = Lines(testing::ReadFile(path));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "an earlier line");
  EXPECT_EQ(MessageOf(lines[1]), "Connected to Outlook");
}

TEST_F(LogTest, TwoRunsLeaveBothEntriesInOrder) {
  const std::string path = dir_.File("run.log");
  StartLog(path);
  WriteLogEntry("Saving to file: first.xml");
  ResetLog();
  EXPECT_FALSE(LoggingStarted());
  WriteLogEntry("written while off");
  StartLog(path);
  WriteLogEntry("Saving to file: second.xml");
  std::vector<std::string> lines = Lines(testing::ReadFile(path));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(MessageOf(lines[0]), "Saving to file: first.xml");
  EXPECT_EQ(MessageOf(lines[1]), "Saving to file: second.xml");
}

TEST_F(LogTest, UnopenablePathLeavesTheLogOffAndCreatesNothing) {
  const std::string path = dir_.File("missing/run.log");
  StartLog(path);
  EXPECT_FALSE(LoggingStarted());
  EXPECT_NO_THROW(WriteLogEntry("Import done."));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("missing")));

  StartLog(dir_.path().string());  // a folder cannot be a log file
  EXPECT_FALSE(LoggingStarted());
}

TEST_F(LogTest, EveryEntryIsOneLine) {
  struct Row {
    const char* name;
    std::string message;
    std::string expected;
  };
  const Row rows[] = {
      {"plain", "Import done.", "Import done."},
      {"empty", "", ""},
      {"trailing blanks kept", "Process folder  ", "Process folder  "},
      {"line feed", "line 3: <contact\n<x>", "line 3: <contact <x>"},
      {"carriage return and line feed", "a\r\nb", "a  b"},
      {"lone carriage return", "a\rb", "a b"},
      {"tab", "a\tb", "a b"},
      {"NUL", std::string("a\0b", 3), "a b"},
      {"escape and DEL", "a\x1b[0m\x7f", "a [0m "},
      {"C1 next-line",
       "a\xC2\x85"
       "b",
       "a b"},
      {"multibyte text intact", "M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x93\x87",
       "M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x93\x87"},
      {"no-break space intact",
       "a\xC2\xA0"
       "b",
       "a\xC2\xA0"
       "b"},
  };
  const std::string path = dir_.File("run.log");
  StartLog(path);
  for (const Row& row : rows) WriteLogEntry(row.message);
  std::vector<std::string> lines = Lines(testing::ReadFile(path));
  ASSERT_EQ(lines.size(), std::size(rows));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(MessageOf(lines[i]), rows[i].expected) << rows[i].name;
  }
}

TEST_F(LogTest, NothingIsBuiltWhileTheLogIsOff) {
  int built = 0;
  auto build = [&] {
    ++built;
    return std::string("Processing Outlook contact: x");
  };
  Log(build);
  EXPECT_EQ(built, 0);
  StartLog(dir_.File("run.log"));
  Log(build);
  EXPECT_EQ(built, 1);
  EXPECT_EQ(Lines(testing::ReadFile(dir_.File("run.log"))).size(), 1u);
}

TEST_F(LogTest, FailedWriteRaisesAFailure) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  StartLog("/dev/full");
  ASSERT_TRUE(LoggingStarted());
  try {
    WriteLogEntry("Import done.");
    FAIL() << "no failure raised";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), ENOSPC);
    EXPECT_NE(failure.description().find("/dev/full"), std::string::npos);
  }
}

}  // namespace
}  // namespace tovask
