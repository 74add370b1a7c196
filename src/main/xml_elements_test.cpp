#include "main/xml_elements.h"

#include <gtest/gtest.h>

#include "main/test_support.h"

namespace tovask {
namespace {

using testing::ReadFile;
using testing::TempDir;

constexpr char kDeclaration[] = "<?xml version=\"1.0\"?>\n";

TEST(XmlElementsTest, TextElementsOnlyForValuesWithText) {
  struct Row {
    const char* name;
    Value value;
    const char* written;  // the element AddTextElement writes, "" for none
  };
  const Row rows[] = {
      {"number zero", Value(std::int64_t{0}), "<F><![CDATA[0]]></F>"},
      {"empty text", Value(std::string()), ""},
      {"null", Value(), ""},
      {"blank text", Value(std::string(" ")), "<F><![CDATA[ ]]></F>"},
      {"true", Value(true), "<F><![CDATA[True]]></F>"},
      {"false", Value(false), "<F><![CDATA[False]]></F>"},
      {"date", Value(*DateTime::FromParts(2024, 3, 5, 7, 8, 9)),
       "<F><![CDATA[2024-03-05 07:08:09]]></F>"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    XmlWriter writer(dir.File("out.xml"));
    writer.StartElement("c");
    AddTextElement(writer, "Anna", "F", row.value);
    AddCDataElement(writer, "G", row.value);  // always written
    writer.Save();
    const std::string cdata = "<G><![CDATA[" + ValueText(row.value) + "]]></G>";
    EXPECT_EQ(ReadFile(dir.File("out.xml")),
              std::string(kDeclaration) + "<c>" + row.written + cdata + "</c>\n");
  }
}

}  // namespace
}  // namespace tovask
