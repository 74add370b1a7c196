#include "main/xml_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "main/failure.h"
#include "main/test_support.h"
#include "main/xml_test_reader.h"

namespace tovask {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr char kEmptyRoot[] = "<?xml version=\"1.0\"?>\n<root/>\n";

std::vector<std::string> FileNames(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

TEST(XmlWriterTest, WritesTheExactDocumentForm) {
  TempDir dir;
  const std::string path = dir.File("out.xml");
  XmlWriter writer(path);
  writer.StartElement("olcontacts");
  writer.Attribute("note", "a\"<&>");
  writer.StartElement("contact");
  writer.CDataElement("FirstName", "Anna <b> & \"Ü\"");
  writer.CDataElement("Empty", "");
  writer.EndElement();
  writer.Save();
  EXPECT_EQ(ReadFile(path),
            "<?xml version=\"1.0\"?>\n"
            "<olcontacts note=\"a&quot;&lt;&amp;&gt;\"><contact>"
            "<FirstName><![CDATA[Anna <b> & \"Ü\"]]></FirstName><Empty><![CDATA[]]></Empty>"
            "</contact></olcontacts>\n");
}

TEST(XmlWriterTest, EveryValueReadsBackCleanedFromAWellFormedFile) {
  const std::pair<std::string, std::string> rows[] = {
      {"a]]>b", "a]]>b"},
      {"<x>]]>&amp;\r", "<x>]]>&amp;\r"},
      {"a\tb\nc", "a\tb\nc"},
      {std::string("a\x01z\x1Fy\0d", 7), "azyd"},    // control characters
      {"a\xEF\xBF\xBEz\xEF\xBF\xBF", "az"},          // U+FFFE, U+FFFF
      {"a\xED\xA0\x80z", "az"},                      // an encoded surrogate
      {"a\xFFz", "a\xEF\xBF\xBDz"},                  // a stray byte
      {"a\xE2\x82z", "a\xEF\xBF\xBDz"},              // a cut sequence
      {"a\xC0\xAFz", "a\xEF\xBF\xBD\xEF\xBF\xBDz"},  // overlong
      {"a\xF4\x90\x80\x80", "a\xEF\xBF\xBD"},        // beyond U+10FFFF
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
  };
  for (const auto& [value, readBack] : rows) {
    SCOPED_TRACE(value);
    TempDir dir;
    const std::string path = dir.File("out.xml");
    XmlWriter writer(path);
    writer.StartElement("root");
    writer.Attribute("value", value);
    writer.CDataElement("field", value);
    writer.Save();
    XmlElement root;
    ASSERT_NO_THROW(root = ReadXmlFile(path)) << ReadFile(path);
    EXPECT_EQ(root.Attribute("value"), readBack);
    // The first child node holds the whole value.
    EXPECT_EQ(root.ChildText("field"), readBack);
  }
}

TEST(XmlWriterTest, ReplacesTheTargetOnlyOnSave) {
  TempDir dir;
  const std::string path = dir.File("out.xml");
  WriteFile(path, "old");
  {
    XmlWriter writer(path);
    writer.StartElement("root");
    writer.CDataElement("a", "new");
    EXPECT_EQ(ReadFile(path), "old");
  }
  EXPECT_EQ(ReadFile(path), "old");
  EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"out.xml"});

  XmlWriter writer(path);
  writer.StartElement("root");
  writer.Save();
  writer.Save();  // already saved: nothing more happens
  EXPECT_EQ(ReadFile(path), kEmptyRoot);
  EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"out.xml"});
}

TEST(XmlWriterTest, SaveRaisesWhenTheFileCannotBeWritten) {
  TempDir dir;
  XmlWriter missingFolder(dir.File("no-such-folder/out.xml"));
  missingFolder.StartElement("root");
  EXPECT_THROW(missingFolder.Save(), Failure);
  EXPECT_THROW(missingFolder.Save(), Failure);

  // The target became a folder holding a file: the save fails until the
  // folder is gone, and the retried Save then succeeds.
  const std::string path = dir.File("out.xml");
  XmlWriter writer(path);
  writer.StartElement("root");
  std::filesystem::create_directory(path);
  WriteFile(path + "/inside", "x");
  EXPECT_THROW(writer.Save(), Failure);
  std::filesystem::remove_all(path);
  writer.Save();
  EXPECT_EQ(ReadFile(path), kEmptyRoot);
  EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"out.xml"});
}

}  // namespace
}  // namespace tovask
