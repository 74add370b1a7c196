#include "main/xml_elements.h"

#include <gtest/gtest.h>

#include <limits>

#include "main/test_support.h"
#include "main/value.h"

namespace tovask {
namespace {

TEST(XmlElementsTest, ValueTextAndTheElementsWrittenForIt) {
  struct Row {
    Value value;
    const char* text;
    bool textElement;
  };
  const Row rows[] = {
      {Value(), "", false},
      {Value(std::string()), "", false},
      {Value(std::string(" ")), " ", true},
      {Value(std::string(" Anna  <b> ")), " Anna  <b> ", true},
      {Value("Anna"), "Anna", true},
      {Value(std::int64_t{0}), "0", true},
      {Value(std::int64_t{-42}), "-42", true},
      {Value(std::numeric_limits<std::int64_t>::max()), "9223372036854775807", true},
      {Value(true), "True", true},
      {Value(false), "False", true},
      {Value(*DateTime::FromParts(2024, 3, 5, 7, 8, 9)), "2024-03-05 07:08:09", true},
      {Value(DateTime::Zero()), "1899-12-30 00:00:00", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << "kind " << row.value.index() << " \"" << row.text << '"');
    EXPECT_EQ(ValueText(row.value), row.text);
    testing::TempDir dir;
    XmlWriter writer(dir.File("out.xml"));
    writer.StartElement("c");
    AddTextElement(writer, "Anna", "F", row.value);
    AddCDataElement(writer, "G", row.value);
    writer.Save();
    const std::string text = row.text;
    const std::string f = row.textElement ? "<F><![CDATA[" + text + "]]></F>" : "";
    EXPECT_EQ(testing::ReadFile(dir.File("out.xml")),
              "<?xml version=\"1.0\"?>\n<c>" + f + "<G><![CDATA[" + text + "]]></G></c>\n");
  }
}

}  // namespace
}  // namespace tovask
