#include "main/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tovask {
namespace {

std::vector<std::string> Arguments(const ArgumentSource& source) {
  std::vector<std::string> arguments;
  for (std::int16_t i = 1; i <= source.ArgumentCount(); ++i) {
    arguments.push_back(source.NextArgument(i));
  }
  return arguments;
}

TEST(CommandLineTest, SplitsByTheRules) {
  struct Row {
    std::string text;
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {"", {}},
      {"   ", {}},
      {"  -f   out.xml  ", {"-f", "out.xml"}},
      {"a\tb c", {"a\tb", "c"}},
      {"\t", {"\t"}},
      {"a\nb\rc\vd", {"a\nb\rc\vd"}},
      {"\"a b\"", {"a b"}},
      {"\"a b\"c", {"a b", "c"}},
      {"\"a\"\"b\"", {"a", "b"}},
      {"-x \"\" y", {"-x", "", "y"}},
      {"x \"\"", {"x", ""}},
      {"\"\"\"\"", {"", ""}},
      {"ab\"c d", {"abc", "d"}},
      {"a\"b c\"", {"ab", "c"}},
      {"ab\" c", {"ab", "c"}},
      {"x \"a b  c", {"x", "a b  c"}},
      {"x \"", {"x", ""}},
      {"a \"b\"", {"a", "b"}},
      {"-o 0 \"\\\\Store\\My Contacts\" out.xml", {"-o", "0", "\\\\Store\\My Contacts", "out.xml"}},
      {"\"M\xC3\xBCller Kontakte\" \xE2\x82\xAC", {"M\xC3\xBCller Kontakte", "\xE2\x82\xAC"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(SplitCommandLine(row.text), row.expected);
    EXPECT_EQ(Arguments(ArgumentSource::FromText(row.text)), row.expected);
  }
}

TEST(CommandLineTest, ListIsTakenAsItIsAndPositionsOutsideGiveEmptyText) {
  const std::vector<std::string> list = {"-o", "0", "a \"b\" c", "", "\t"};
  ArgumentSource source = ArgumentSource::FromList(list);
  EXPECT_EQ(Arguments(source), list);
  for (int position : {0, -1, 6, 32767}) {
    EXPECT_EQ(source.NextArgument(static_cast<std::int16_t>(position)), "") << position;
  }

  ArgumentSource many = ArgumentSource::FromList(std::vector<std::string>(40000, "x"));
  EXPECT_EQ(many.ArgumentCount(), 32767);
  EXPECT_EQ(many.NextArgument(32767), "x");
}

}  // namespace
}  // namespace tovask
