// Runs the real tovask program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "main/test_support.h"

namespace tovask {
namespace {

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
    const std::string command = "cd " + testing::ShellQuote(work_.path().string()) + " && " +
                                testing::ShellQuote(TOVASK_BINARY) + " " + arguments + " >" +
                                testing::ShellQuote(out) + " 2>" + testing::ShellQuote(err);
    Result result{testing::RunCommand(command), testing::ReadFile(out), testing::ReadFile(err)};
    return result;
  }

  bool WorkFolderEmpty() const { return std::filesystem::is_empty(work_.path()); }

  // One line that says why, and nothing else.
  static void ExpectOneErrorLine(const Result& result) {
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("tovask: ", 0), 0u) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
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
  EXPECT_TRUE(WorkFolderEmpty());
}

TEST_F(MainTest, UnusableCommandLinesExitTwoWithOneLineAndNoLog) {
  struct Row {
    const char* name;
    const char* arguments;
  };
  const Row rows[] = {
      {"no arguments", ""},
      {"unknown switch", "-x out.xml -l run.log"},
      {"too few arguments", "-o 0 folder"},
      {"since-value not a number", "-o abc folder out.xml -l run.log"},
      {"since-value out of range", "-h 2147483648 folder out.xml -r -l run.log"},
      {"import since-value not a number", "-i 1e3 folder in.xml fb.xml -l run.log"},
      {"--command-line without text", "--command-line"},
      {"--command-line with a bad since-value", "--command-line '-o x folder out.xml -l run.log'"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Result result = Run(row.arguments);
    EXPECT_EQ(result.status, 2);
    ExpectOneErrorLine(result);
    EXPECT_TRUE(WorkFolderEmpty());
  }
}

TEST_F(MainTest, CommandLineTextKeepsAQuotedPathWithABlankWhole) {
  // Split at its blank, the folder path would make five arguments and the
  // import would go on to need its feedback file; whole, it is four.
  Result result = Run(testing::ShellQuote("--command-line") + " " +
                      testing::ShellQuote(R"(-i 0 "\\Personal Folders\My Contacts" in.xml)"));
  EXPECT_EQ(result.status, 2);
  ExpectOneErrorLine(result);
  EXPECT_NE(result.err.find("got 4"), std::string::npos) << result.err;

  // The quotes are gone and the blank is kept when the argument reaches use.
  result = Run("--command-line " + testing::ShellQuote(R"(-o "12 34" "\\Store\A B" out.xml)"));
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.err.find("since-value \"12 34\" "), std::string::npos) << result.err;
}

}  // namespace
}  // namespace tovask
