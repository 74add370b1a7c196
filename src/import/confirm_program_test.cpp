#include "import/confirm_program.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "import/display_test_support.h"
#include "main/test_support.h"
#include "profile_store/test_profile.h"

namespace tovask {
namespace {

using namespace std::string_literals;

// Stand-ins for the dialog program: shell scripts that play one way the
// program can end. Each keeps what it read in `input` beside itself.
class ConfirmProgramTest : public ::testing::Test {
 protected:
  std::string Program(const std::string& body) {
    std::string path = dir_.File("confirm");
    testing::WriteFile(path, "#!/bin/sh\n" + body + "\n");
    chmod(path.c_str(), 0755);
    return path;
  }
  std::string ReadingProgram(const std::string& rest) {
    return Program("cat > " + testing::ShellQuote(dir_.File("input")) + "\n" + rest);
  }

  testing::TempDir dir_;
  testing::ScopedEnv display_{"DISPLAY", ":tovask-test"};
  testing::ScopedEnv wayland_{"WAYLAND_DISPLAY", nullptr};
};

TEST_F(ConfirmProgramTest, AnswerComesBackAndTheProgramGetsEveryText) {
  const std::vector<std::string> texts = {"Zimmer, Anna", "Unnamed", "Zimmer, Anna"};
  DeleteDecision decision = ConfirmInChildProcess(ReadingProgram("echo 'delete 101'"))(texts);
  EXPECT_FALSE(decision.cancelled);
  EXPECT_EQ(decision.selected, (std::vector<bool>{true, false, true}));
  EXPECT_EQ(decision.notAskedBecause, "");
  EXPECT_EQ(testing::ReadFile(dir_.File("input")), "Zimmer, Anna\0Unnamed\0Zimmer, Anna\0"s);

  decision = ConfirmInChildProcess(ReadingProgram("echo cancel"))(texts);
  EXPECT_TRUE(decision.cancelled);
  EXPECT_EQ(decision.notAskedBecause, "");
}

TEST_F(ConfirmProgramTest, EveryOtherEndingCancelsWithItsReason) {
  struct Row {
    const char* name;
    std::string body;
    std::string reason;
  };
  const Row rows[] = {
      {"killed by a signal",
       "echo 'could not connect to display' >&2; echo more >&2; kill -ABRT $$",
       "the confirmation dialog failed: confirm ended by signal 6 (Aborted): could not connect to "
       "display"},
      {"failing exit status after an answer",
       "echo 'first words' >&2; echo 'last words' >&2; echo 'delete 111'; exit 3",
       "the confirmation dialog failed: confirm ended with exit status 3: first words"},
      {"too few flags", "echo 'delete 10'", "the confirmation dialog gave an unreadable answer"},
      {"no answer at all", "true", "the confirmation dialog gave an unreadable answer"},
      {"an endless answer", "yes delete", "the confirmation dialog gave an unreadable answer"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    DeleteDecision decision = ConfirmInChildProcess(ReadingProgram(row.body))({"A", "B", "C"});
    EXPECT_TRUE(decision.cancelled);
    EXPECT_TRUE(decision.selected.empty());
    EXPECT_EQ(decision.notAskedBecause, row.reason);
  }
}

TEST_F(ConfirmProgramTest, ProgramThatCannotRunCancels) {
  std::string notExecutable = dir_.File("plain");
  testing::WriteFile(notExecutable, "#!/bin/sh\necho 'delete 1'\n");
  struct Row {
    std::string path;
    std::string reason;
  };
  const Row rows[] = {
      {dir_.File("missing"), "the confirmation dialog could not be started: " +
                                 dir_.File("missing") + ": No such file or directory"},
      {notExecutable,
       "the confirmation dialog could not be started: " + notExecutable + ": Permission denied"},
      {"", "the confirmation dialog could not be started: its program is unknown"},
  };
  for (const Row& row : rows) {
    DeleteDecision decision = ConfirmInChildProcess(row.path)({"A"});
    EXPECT_TRUE(decision.cancelled) << row.path;
    EXPECT_EQ(decision.notAskedBecause, row.reason);
  }
}

TEST_F(ConfirmProgramTest, ProgramThatAnswersBeforeReadingDoesNotHurtTovask) {
  // Far more than a socket buffer holds: tovask is still writing when the
  // program has answered and gone.
  std::vector<std::string> texts(200000, "Somebody with a long name, Jr.");
  DeleteDecision decision = ConfirmInChildProcess(Program("echo cancel"))(texts);
  EXPECT_TRUE(decision.cancelled);
  EXPECT_EQ(decision.notAskedBecause, "");
}

TEST_F(ConfirmProgramTest, NothingStartsWithoutADisplayOrWithoutTexts) {
  std::string program = ReadingProgram("echo 'delete 1'");
  {
    testing::ScopedEnv noDisplay("DISPLAY", nullptr);
    DeleteDecision decision = ConfirmInChildProcess(program)({"A"});
    EXPECT_TRUE(decision.cancelled);
    EXPECT_EQ(decision.notAskedBecause,
              "no display to show the confirmation dialog on (neither DISPLAY nor "
              "WAYLAND_DISPLAY is set)");
    testing::ScopedEnv emptyDisplay("DISPLAY", "");
    EXPECT_TRUE(ConfirmInChildProcess(program)({"A"}).cancelled);
  }
  {
    testing::ScopedEnv noDisplay("DISPLAY", nullptr);
    testing::ScopedEnv wayland("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_FALSE(ConfirmInChildProcess(program)({"A"}).cancelled);
  }
  std::filesystem::remove(dir_.File("input"));
  DeleteDecision decision = ConfirmInChildProcess(program)({});
  EXPECT_FALSE(decision.cancelled);
  EXPECT_TRUE(decision.selected.empty());
  EXPECT_FALSE(std::filesystem::exists(dir_.File("input")));
}

TEST(ConfirmProgramPathTest, IsBesideTheRunningProgram) {
  // The tests are built into the same folder as tovask.
  EXPECT_EQ(ConfirmProgramPath(),
            (std::filesystem::path(TOVASK_BINARY).parent_path() / "tovask-confirm").string());
}

}  // namespace
}  // namespace tovask
