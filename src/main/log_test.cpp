#include "main/log.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "main/failure.h"
#include "main/test_support.h"

namespace tovask {
namespace {

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetLog(); }
  void TearDown() override { ResetLog(); }

  std::vector<std::string> Messages() const {
    return testing::LogMessages(testing::ReadFile(path_));
  }

  testing::TempDir dir_;
  const std::string path_ = dir_.File("run.log");
};

TEST_F(LogTest, AppendsAndTwoRunsLeaveBothEntriesInOrder) {
  testing::WriteFile(path_, "an earlier line\n");
  StartLog(path_);
  ASSERT_TRUE(LoggingStarted());
  WriteLogEntry("Saving to file: first.xml");
  ResetLog();
  EXPECT_FALSE(LoggingStarted());
  WriteLogEntry("written while off");
  StartLog(path_);
  WriteLogEntry("Saving to file: second.xml");
  EXPECT_EQ(Messages(), (std::vector<std::string>{"an earlier line", "Saving to file: first.xml",
                                                  "Saving to file: second.xml"}));
  const std::regex entry(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2} Information tovask\[)" +
                         std::to_string(getpid()) + R"(\]: Saving to file: second.xml\n)");
  const std::string text = testing::ReadFile(path_);
  EXPECT_TRUE(std::regex_match(text.substr(text.rfind('\n', text.size() - 2) + 1), entry)) << text;
}

TEST_F(LogTest, UnopenablePathLeavesTheLogOffAndCreatesNothing) {
  for (const std::string& path : {dir_.File("missing/run.log"), dir_.path().string()}) {
    SCOPED_TRACE(path);
    StartLog(path);
    EXPECT_FALSE(LoggingStarted());
    EXPECT_NO_THROW(WriteLogEntry("Import done."));
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("missing")));
}

TEST_F(LogTest, EveryEntryIsOneLine) {
  const std::pair<std::string, std::string> rows[] = {
      {"", ""},
      {"Process folder  ", "Process folder  "},
      {"line 3: <contact\n<x>", "line 3: <contact <x>"},
      {"a\r\nb", "a  b"},
      {"a\rb", "a b"},
      {"a\tb", "a b"},
      {std::string("a\0b", 3), "a b"},
      {"a\x1b[0m\x7f", "a [0m "},
      {"a\xC2\x85z\xC2\x9F", "a z "},  // C1 controls
      {"M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x93\x87",
       "M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x93\x87"},
      {"a\xC2\xA0z", "a\xC2\xA0z"},  // no-break space
  };
  StartLog(path_);
  std::vector<std::string> expected;
  for (const auto& [message, written] : rows) {
    WriteLogEntry(message);
    expected.push_back(written);
  }
  EXPECT_EQ(Messages(), expected);
}

TEST_F(LogTest, NothingIsBuiltWhileTheLogIsOff) {
  int built = 0;
  auto build = [&] { return "Processing Outlook contact: " + std::to_string(++built); };
  Log(build);
  StartLog(path_);
  Log(build);
  EXPECT_EQ(Messages(), std::vector<std::string>{"Processing Outlook contact: 1"});
}

TEST_F(LogTest, FailedWriteTurnsTheLogOffWithOneLineAndATrappedFailure) {
  // A FIFO whose reader went away refuses every write (as a full disk does).
  const std::string fifo = dir_.File("run.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Nobody reads it yet: the log stays off, and the run does not wait.
  StartLog(fifo);
  EXPECT_FALSE(LoggingStarted());

  int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  std::ostringstream errors;
  StartLog(fifo, errors);
  ASSERT_TRUE(LoggingStarted());
  WriteLogEntry("Connected to Outlook");
  close(reader);
  ResetTrappedFailures();
  // Without this the write would end the process; the run frame sets it.
  auto previous = signal(SIGPIPE, SIG_IGN);
  EXPECT_NO_THROW(WriteLogEntry("Saving to file: out.xml"));
  EXPECT_NO_THROW(WriteLogEntry("never written"));
  signal(SIGPIPE, previous);
  EXPECT_FALSE(LoggingStarted());
  EXPECT_TRUE(AnyFailureTrapped());
  EXPECT_EQ(errors.str(), "tovask: cannot write the log " + fifo +
                              " (Broken pipe); the run goes on without it\n");
  ResetTrappedFailures();
}

}  // namespace
}  // namespace tovask
