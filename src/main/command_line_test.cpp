#include "main/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tovask {
namespace {

struct SplitRow {
  const char* name;
  std::string text;
  std::vector<std::string> expected;
};

TEST(CommandLineTest, SplitsByTheRules) {
  const SplitRow rows[] = {
      {"empty text", "", {}},
      {"only blanks", "   ", {}},
      {"single argument", "-f", {"-f"}},
      {"blanks between and around are skipped", "  -f   out.xml  ", {"-f", "out.xml"}},
      {"tab does not split", "a\tb c", {"a\tb", "c"}},
      {"tab alone is an argument", "\t", {"\t"}},
      {"other white space does not split", "a\nb\rc\vd", {"a\nb\rc\vd"}},
      {"quoted argument keeps its blanks", "\"a b\"", {"a b"}},
      {"closing quote ends the argument before a non-blank", "\"a b\"c", {"a b", "c"}},
      {"closing quote followed by another quoted argument", "\"a\"\"b\"", {"a", "b"}},
      {"empty quoted argument standing alone", "-x \"\" y", {"-x", "", "y"}},
      {"empty quoted argument at the end", "x \"\"", {"x", ""}},
      {"two empty quoted arguments in a row", "\"\"\"\"", {"", ""}},
      {"quote inside a plain argument is dropped", "ab\"c d", {"abc", "d"}},
      {"quote inside a plain argument opens nothing", "a\"b c\"", {"ab", "c"}},
      {"plain argument ending in a quote", "ab\" c", {"ab", "c"}},
      {"unclosed quote runs to the end", "x \"a b  c", {"x", "a b  c"}},
      {"lone quote at the end is an empty argument", "x \"", {"x", ""}},
      {"quoted argument directly after a plain one", "a \"b\"", {"a", "b"}},
      {"backslashes stay as they are",
       "-o 0 \"\\\\Store\\My Contacts\" out.xml",
       {"-o", "0", "\\\\Store\\My Contacts", "out.xml"}},
      {"multibyte text passes",
       "\"M\xC3\xBCller Kontakte\" \xE2\x82\xAC",
       {"M\xC3\xBCller Kontakte", "\xE2\x82\xAC"}},
      {"folder listing with log",
       "-f folders.xml -l run.log",
       {"-f", "folders.xml", "-l", "run.log"}},
      {"export with quoted folder, recursive, logged",
       "-O 0 \"\\\\Personal Folders\\Contacts\" out.xml -r -l run.log",
       {"-O", "0", "\\\\Personal Folders\\Contacts", "out.xml", "-r", "-l", "run.log"}},
      {"import with stale deletion after confirmation",
       "-i 0 folder in.xml feedback.xml -d -w",
       {"-i", "0", "folder", "in.xml", "feedback.xml", "-d", "-w"}},
  };
  for (const SplitRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(SplitCommandLine(row.text), row.expected);
    ArgumentSource source = ArgumentSource::FromText(row.text);
    ASSERT_EQ(source.ArgumentCount(), static_cast<std::int16_t>(row.expected.size()));
    for (std::size_t i = 0; i < row.expected.size(); ++i) {
      EXPECT_EQ(source.NextArgument(static_cast<std::int16_t>(i + 1)), row.expected[i]) << i + 1;
    }
  }
}

TEST(CommandLineTest, PositionsOutsideTheArgumentsGiveEmptyText) {
  for (const ArgumentSource& source :
       {ArgumentSource::FromText("-f out.xml"), ArgumentSource::FromList({"-f", "out.xml"})}) {
    EXPECT_EQ(source.ArgumentCount(), 2);
    EXPECT_EQ(source.NextArgument(1), "-f");
    EXPECT_EQ(source.NextArgument(2), "out.xml");
    EXPECT_EQ(source.NextArgument(0), "");
    EXPECT_EQ(source.NextArgument(-1), "");
    EXPECT_EQ(source.NextArgument(3), "");
    EXPECT_EQ(source.NextArgument(32767), "");
  }
}

TEST(CommandLineTest, ListIsTakenAsItIs) {
  // argv has been split by the shell already: quotes and blanks inside an
  // element are part of the value.
  ArgumentSource source = ArgumentSource::FromList({"-o", "0", "a \"b\" c", "", "\t"});
  ASSERT_EQ(source.ArgumentCount(), 5);
  EXPECT_EQ(source.NextArgument(3), "a \"b\" c");
  EXPECT_EQ(source.NextArgument(4), "");
  EXPECT_EQ(source.NextArgument(5), "\t");
}

TEST(CommandLineTest, CountStopsAtTheLargest16BitValue) {
  ArgumentSource source = ArgumentSource::FromList(std::vector<std::string>(40000, "x"));
  EXPECT_EQ(source.ArgumentCount(), 32767);
  EXPECT_EQ(source.NextArgument(32767), "x");
}

}  // namespace
}  // namespace tovask
