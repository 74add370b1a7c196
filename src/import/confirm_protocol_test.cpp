#include "import/confirm_protocol.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tovask {
namespace {

using namespace std::string_literals;

TEST(ConfirmProtocolTest, DisplayTextsTravelAsNulTerminatedEntries) {
  const std::vector<std::string> texts = {"M\xC3\xBCller, Anna", "", "two\nlines", "a\0b"s};
  const std::string encoded = EncodeDisplayTexts(texts);
  EXPECT_EQ(encoded, "M\xC3\xBCller, Anna\0\0two\nlines\0a b\0"s);
  EXPECT_EQ(DecodeDisplayTexts(encoded),
            (std::vector<std::string>{"M\xC3\xBCller, Anna", "", "two\nlines", "a b"}));

  struct Row {
    std::string input;
    std::optional<std::vector<std::string>> expected;
  };
  const Row rows[] = {
      {"", std::vector<std::string>{}},
      {"\0"s, std::vector<std::string>{""}},
      {"Anna\0Bob\0"s, std::vector<std::string>{"Anna", "Bob"}},
      {"Anna", std::nullopt},
      {"Anna\0Bo"s, std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(DecodeDisplayTexts(row.input), row.expected) << "input of " << row.input.size();
  }
}

TEST(ConfirmProtocolTest, AnswersAreReadOnlyWhenWellFormed) {
  DeleteDecision deleting;
  deleting.cancelled = false;
  deleting.selected = {true, false, true};
  EXPECT_EQ(EncodeDecision(deleting), "delete 101\n");
  EXPECT_EQ(EncodeDecision(DeleteDecision()), "cancel\n");

  struct Row {
    std::string answer;
    std::size_t count;
    bool readable;
    bool cancelled;
    std::vector<bool> selected;
  };
  const Row rows[] = {
      {"cancel\n", 3, true, true, {}},
      {"delete 101\n", 3, true, false, {true, false, true}},
      {"delete 000\n", 3, true, false, {false, false, false}},
      {"delete \n", 0, true, false, {}},
      {"delete 10\n", 3, false, false, {}},
      {"delete 1011\n", 3, false, false, {}},
      {"delete 1x1\n", 3, false, false, {}},
      {"delete 101", 3, false, false, {}},
      {"delete 101\n\n", 3, false, false, {}},
      {"delete 101\ncancel\n", 3, false, false, {}},
      {"Delete 101\n", 3, false, false, {}},
      {"cancel", 3, false, false, {}},
      {"cancel\n\n", 3, false, false, {}},
      {"", 3, false, false, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.answer);
    std::optional<DeleteDecision> decision = DecodeDecision(row.answer, row.count);
    ASSERT_EQ(decision.has_value(), row.readable);
    if (!decision) continue;
    EXPECT_EQ(decision->cancelled, row.cancelled);
    EXPECT_EQ(decision->selected, row.selected);
    EXPECT_EQ(decision->notAskedBecause, "");
  }
}

}  // namespace
}  // namespace tovask
