// The real tovask-confirm, asked through ConfirmInChildProcess, with its
// window on a virtual X server and keys pressed by xdotool.
#ifdef TOVASK_CONFIRM_BINARY

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "import/confirm_program.h"
#include "import/display_test_support.h"
#include "main/test_support.h"
#include "outlook/test_profile.h"

namespace tovask {
namespace {

class ConfirmWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (display_.name().empty()) GTEST_SKIP() << "Xvfb or xdotool is missing";
    environment_.emplace("DISPLAY", display_.name().c_str());
  }

  // Asks about `texts` while AnswerDeleteDialog(keys, beforeKeys) plays
  // the user.
  DeleteDecision AskWhileTyping(const std::vector<std::string>& texts, const std::string& keys,
                                const std::string& beforeKeys = "true") {
    std::string trouble;
    std::thread user([&] { trouble = testing::AnswerDeleteDialog(keys, beforeKeys); });
    DeleteDecision decision = ConfirmInChildProcess(TOVASK_CONFIRM_BINARY)(texts);
    user.join();
    EXPECT_EQ(trouble, "");
    return decision;
  }

  testing::VirtualDisplay display_;
  std::optional<testing::ScopedEnv> environment_;
};

const std::vector<std::string> kThree = {"Zimmer, Anna", "Adams, Bob", "Unnamed"};

TEST_F(ConfirmWindowTest, EnterDeletesAllAndTheOpenWindowIsPhotographed) {
  // A test artifact: the open dialog as the user sees it.
  const std::filesystem::path artifacts =
      std::filesystem::path(TOVASK_BINARY).parent_path() / "test-artifacts";
  std::filesystem::create_directories(artifacts);
  const std::string screenshot = (artifacts / "delete-dialog.png").string();
  std::filesystem::remove(screenshot);

  DeleteDecision decision =
      AskWhileTyping({"Zimmer, Anna", "Adams, Bob", "M\xC3\xBCller, J\xC3\xBCrgen", "Unnamed"},
                     "Return", "import -window root " + testing::ShellQuote(screenshot));
  EXPECT_FALSE(decision.cancelled);
  EXPECT_EQ(decision.selected, (std::vector<bool>{true, true, true, true}));
  EXPECT_EQ(decision.notAskedBecause, "");
  EXPECT_GT(std::filesystem::file_size(screenshot), 1000u);
}

TEST_F(ConfirmWindowTest, KeyboardAnswers) {
  struct Row {
    std::string keys;
    bool cancelled;
    std::vector<bool> selected;
  };
  const Row rows[] = {
      {"Escape", true, {}},
      {"Tab Tab Down space Return", false, {true, false, true}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.keys);
    DeleteDecision decision = AskWhileTyping(kThree, row.keys);
    EXPECT_EQ(decision.cancelled, row.cancelled);
    EXPECT_EQ(decision.selected, row.selected);
    EXPECT_EQ(decision.notAskedBecause, "");
  }
}

TEST(ConfirmWithoutWindowTest, DisplayThatCannotBeUsedCancelsWithTheReason) {
  struct Row {
    std::optional<std::string> platform;
    std::string reason;
  };
  const Row rows[] = {
      {std::nullopt,
       "the confirmation dialog failed: tovask-confirm ended by signal 6 (Aborted): qt.qpa.xcb: "
       "could not connect to display :65531"},
      {"offscreen",
       "the confirmation dialog failed: tovask-confirm ended with exit status 3: tovask-confirm: "
       "no display to show the window on (Qt platform offscreen)"},
  };
  testing::ScopedEnv display("DISPLAY", ":65531");
  for (const Row& row : rows) {
    testing::ScopedEnv platform("QT_QPA_PLATFORM", row.platform ? row.platform->c_str() : nullptr);
    DeleteDecision decision = ConfirmInChildProcess(TOVASK_CONFIRM_BINARY)(kThree);
    EXPECT_TRUE(decision.cancelled);
    EXPECT_EQ(decision.notAskedBecause, row.reason);
  }
}

}  // namespace
}  // namespace tovask

#endif
