// Runs the real tovask program: what only the program adds to dispatch.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "main/test_support.h"

namespace tovask {
namespace {

using testing::ShellQuote;

class MainTest : public ::testing::Test {
 protected:
  struct Result {
    int status;
    std::string out;
    std::string err;
  };

  // Runs tovask with the given (already shell-quoted) arguments inside the
  // work folder; its output is captured outside it, so the work folder shows
  // exactly what the run created.
  Result Run(const std::string& arguments) {
    const std::string out = capture_.File("out");
    const std::string err = capture_.File("err");
    const int status = testing::RunCommand("cd " + ShellQuote(work_.path().string()) + " && " +
                                           ShellQuote(TOVASK_BINARY) + " " + arguments + " >" +
                                           ShellQuote(out) + " 2>" + ShellQuote(err));
    return {status, testing::ReadFile(out), testing::ReadFile(err)};
  }

  testing::TempDir work_;
  testing::TempDir capture_;
};

TEST_F(MainTest, HelpAndVersionExitZero) {
  Result help = Run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  for (const char* word : {"-f ", "-o ", "-h ", "-i ", "-r", "-b", "-d", "-w", "-l LOGFILE",
                           "--command-line", "--version"}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }

  Result version = Run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "tovask " TOVASK_VERSION "\n");
  EXPECT_EQ(version.err, "");
}

TEST_F(MainTest, UnusableCommandLinesExitTwoWithOneLineAndNoLog) {
  struct Row {
    std::string arguments;
    const char* inError;
  };
  const Row rows[] = {
      {"", "no operation switch"},
      {"-x out.xml -l run.log", "unknown operation switch"},
      {"--command-line", "--command-line takes exactly one argument"},
      {"--command-line a b", "--command-line takes exactly one argument"},
      // An argument from the shell is taken whole, blanks included.
      {"-o '12 34' folder out.xml -l run.log", "since-value \"12 34\" "},
      // The text is split at blanks outside quotes; the quotes are gone.
      {"--command-line " + ShellQuote(R"(-o "12 34" "\\Store\A B" out.xml -l run.log)"),
       "since-value \"12 34\" "},
      {"--command-line " + ShellQuote(R"(-i 0 "\\Personal Folders\My Contacts" in.xml)"), "got 4"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.arguments);
    Result result = Run(row.arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("tovask: ", 0), 0u) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
    EXPECT_NE(result.err.find(row.inError), std::string::npos) << result.err;
    EXPECT_TRUE(std::filesystem::is_empty(work_.path()));
  }
}

}  // namespace
}  // namespace tovask
